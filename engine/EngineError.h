#pragma once

#include "engine/HeicGeneratorError.h"
#include "engine/TweenGeneratorError.h"
#include "engine/UpscaleError.h"
#include "platform/ExceptionText.h"

#include <concepts>
#include <string>
#include <system_error>
#include <variant>

namespace tl {

// The caller's stop token was triggered; a run that ends this way did not fail.
struct Cancelled {
    friend bool operator==(Cancelled, Cancelled) = default;
};

// A file-system operation failed as the system reported it (creating a working folder, for example).
struct FileSystemError {
    std::string path;
    std::error_code code;

    friend bool operator==(const FileSystemError&, const FileSystemError&) = default;
};

// What an engine operation (tweens, preprocessing, export) ends with when it does not succeed. Errors
// of the upscaler and the file system pass through as they came.
class EngineError {
public:
    using Cause = std::variant<HeicGeneratorError, TweenGeneratorError, UpscaleError, FileSystemError, Cancelled>;

    EngineError() = default; // storage for Result<void, EngineError>; never returned as a failure

    // Any one cause converts: functions return their own errors and they arrive here unchanged.
    template <class T>
    requires std::constructible_from<Cause, T> EngineError(T cause)
        : cause_(std::move(cause))
    {
    }

    const Cause& cause() const { return cause_; }
    template <class T> const T* as() const { return std::get_if<T>(&cause_); }

    // True for a stop request, also when the upscaler reported it.
    bool isCancelled() const;
    // The text shown to the user.
    std::string description() const;

private:
    Cause cause_;
};

// Runs `work` (which returns a Result with EngineError); what it throws comes back as processingFailed
// with what went wrong, so no exception leaves a worker thread.
template <class Work> auto catchingThrown(Work&& work) -> decltype(work())
{
    try {
        return work();
    } catch (...) {
        return EngineError(HeicGeneratorError::processingFailed(currentExceptionText()));
    }
}

} // namespace tl
