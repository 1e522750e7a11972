#pragma once

#include <string>

namespace tl {

// What went wrong when work threw instead of returning its failure, for the failure's text:
// "not enough memory" for a failed allocation (OpenCV's included), else the exception's own
// message. Call only inside a catch block.
std::string currentExceptionText();

} // namespace tl
