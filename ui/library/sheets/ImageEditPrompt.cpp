#include "ui/library/sheets/ImageEditPrompt.h"

namespace tl::ui {

const std::string_view imageEditPromptIntroduction
    = "You are seeing two images of the same scene:\n"
      "\n"
      "IMAGE 1 (REFERENCE - Do not modify): This is the original base frame. Use it to verify correct:\n"
      "\u2022 Camera angle, focal length, and perspective\n"
      "\u2022 Object positions and composition\n"
      "\u2022 Scene geometry and structure\n"
      "\n"
      "IMAGE 2 (CURRENT - This is what you will edit): This is a relit version with different lighting. It may "
      "have inconsistencies that need fixing. Unless redirected by user's guidance, maintain its current lighting "
      "characteristics.\n"
      "\n"
      "YOUR TASK:\n"
      "Edit IMAGE 2 to fix this issue: ";

const std::string_view imageEditPromptRules
    = "\n\nRULES:\n"
      "1. OUTPUT: Return an edited version of IMAGE 2 (not IMAGE 1)\n"
      "2. PRESERVE from IMAGE 2: Keep its lighting, shadows, time-of-day atmosphere, and color temperature (unless "
      "user explicitly requests changes to these)\n"
      "3. FIX using IMAGE 1 as reference: Correct only the specific issue mentioned (camera angle, composition, "
      "objects, etc.)\n"
      "4. KEEP EVERYTHING ELSE: Do not change elements that weren't mentioned in the fix request\n"
      "\n"
      "Generate the corrected version of IMAGE 2 now.";

std::string imageEditPrompt(std::string_view instruction)
{
    std::string prompt(imageEditPromptIntroduction);
    prompt += instruction;
    prompt += imageEditPromptRules;
    return prompt;
}

} // namespace tl::ui
