#include "platform/ExceptionText.h"

#include <opencv2/core.hpp>

#include <exception>
#include <new>

namespace tl {

std::string currentExceptionText()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "not enough memory";
    } catch (const cv::Exception& error) {
        // OpenCV's own text carries its source path and line; the message alone says what failed.
        return error.code == cv::Error::StsNoMem ? "not enough memory" : error.err;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unexpected error";
    }
}

} // namespace tl
