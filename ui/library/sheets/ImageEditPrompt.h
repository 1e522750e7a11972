#pragma once

#include <string>
#include <string_view>

namespace tl::ui {

// The image model the edit sheet asks for.
inline constexpr std::string_view imageEditModel = "google/gemini-3-pro-image-preview";

// The text before the user's instruction: what the two images are and that the second is edited.
extern const std::string_view imageEditPromptIntroduction;
// The text after it: the rules the edit keeps to.
extern const std::string_view imageEditPromptRules;

// The whole prompt around the instruction, which goes in exactly as typed.
std::string imageEditPrompt(std::string_view instruction);

} // namespace tl::ui
