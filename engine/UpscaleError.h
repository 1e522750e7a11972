#pragma once

#include <string>

namespace tl {

// Why an upscaling pass did not produce its output file.
struct UpscaleError {
    enum class Kind {
        imageLoadFailed, // path holds the input file
        unsupportedScale, // scale holds the refused factor
        modelLoadFailed,
        missingOutput,
        imageCreateFailed,
        outputWriteFailed,
        invalidInputSize,
        cancelled, // the caller's stop token was triggered; not a failure
    };

    Kind kind = Kind::modelLoadFailed;
    std::string path {};
    int scale = 0;

    static UpscaleError imageLoad(std::string inputPath) { return { Kind::imageLoadFailed, std::move(inputPath), 0 }; }
    static UpscaleError unsupported(int factor) { return { Kind::unsupportedScale, {}, factor }; }
    static UpscaleError of(Kind kind) { return { kind, {}, 0 }; }

    bool isCancelled() const { return kind == Kind::cancelled; }
    // The text shown to the user.
    std::string description() const;
};

} // namespace tl
