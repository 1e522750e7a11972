#pragma once

#include "model/CodingResult.h"
#include "model/Project.h"

#include <string>
#include <string_view>

namespace tl {

// The exact text of "project.json": pretty printed with keys sorted, each absent
// optional left out. Fails on a non-finite number or text that is not valid UTF-8.
CodingResult<std::string> encodeProjectFile(const Project& project);

// Far more frames than any real timeline holds; a record listing more is refused unread, since
// every frame costs a decoded preview.
inline constexpr std::size_t largestFrameCount = 10000;

// Reads "project.json" strictly: a missing required key, a value of the wrong type or
// an inexact integer fails the whole record. Unknown keys are ignored, and any version
// string is accepted. More than largestFrameCount images fail. The memory-only image
// fields come back absent.
CodingResult<Project> decodeProjectFile(std::string_view text);

} // namespace tl
