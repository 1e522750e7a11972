#pragma once

#include "platform/ImageExtent.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tl {

// Why a picture file that did not decode cannot be opened, told from its size and header alone, so
// the user learns what to change instead of finding nothing added.
struct ImageFileProblem {
    enum class Kind { missing, unreadable, fileTooLarge, animated, pictureTooLarge, damaged, notAPicture };
    Kind kind;
    // The size the header states, for pictureTooLarge.
    std::optional<ImageExtent> extent {};
};

// The reason for a file the decoders refused. Blocking; reads at most the header; any thread.
ImageFileProblem diagnoseImageFile(const std::filesystem::path& file);

// The sentence shown for a problem.
std::string describe(const ImageFileProblem& problem);

} // namespace tl
