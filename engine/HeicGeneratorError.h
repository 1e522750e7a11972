#pragma once

#include <string>
#include <system_error>

namespace tl {

// The engine's common failure while preparing, blending or writing export frames.
struct HeicGeneratorError {
    enum class Kind {
        invalidConfiguration, // detail: what is wrong
        imageLoadFailed, // detail: the file's path
        processingFailed, // detail: what failed
        heicCreationFailed,
        metadataCreationFailed,
        fileWriteFailed, // detail: the file's path, when known
    };

    Kind kind = Kind::processingFailed;
    std::string detail {};
    // Why the system refused a write ("No space left on device"), when it said.
    std::error_code reason {};

    static HeicGeneratorError invalidConfiguration(std::string why)
    {
        return { Kind::invalidConfiguration, std::move(why), {} };
    }
    static HeicGeneratorError imageLoadFailed(std::string path)
    {
        return { Kind::imageLoadFailed, std::move(path), {} };
    }
    static HeicGeneratorError processingFailed(std::string what)
    {
        return { Kind::processingFailed, std::move(what), {} };
    }
    static HeicGeneratorError fileWriteFailed(std::string path, std::error_code reason)
    {
        return { Kind::fileWriteFailed, std::move(path), reason };
    }
    static HeicGeneratorError of(Kind kind) { return { kind, {}, {} }; }

    // The text shown to the user.
    std::string description() const;
    friend bool operator==(const HeicGeneratorError&, const HeicGeneratorError&) = default;
};

} // namespace tl
