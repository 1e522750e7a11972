#include "generation/MultipartForm.h"

namespace tl {

void MultipartForm::addField(std::string_view name, std::string_view value)
{
    body_ += "--" + boundary_ + "\r\n";
    body_ += "Content-Disposition: form-data; name=\"" + std::string(name) + "\"\r\n\r\n";
    body_ += std::string(value) + "\r\n";
}

void MultipartForm::addFile(
    std::string_view name, std::string_view fileName, std::string_view contentType, std::string_view bytes)
{
    body_ += "--" + boundary_ + "\r\n";
    body_ += "Content-Disposition: form-data; name=\"" + std::string(name) + "\"; filename=\"" + std::string(fileName)
        + "\"\r\n";
    body_ += "Content-Type: " + std::string(contentType) + "\r\n\r\n";
    body_.append(bytes);
    body_ += "\r\n";
}

} // namespace tl
