#pragma once

#include <string>
#include <string_view>

namespace tl {

// A multipart/form-data body built in memory, parts in the order they are added.
class MultipartForm {
public:
    explicit MultipartForm(std::string boundary)
        : boundary_(std::move(boundary))
    {
    }

    std::string contentType() const { return "multipart/form-data; boundary=" + boundary_; }
    void addField(std::string_view name, std::string_view value);
    void addFile(
        std::string_view name, std::string_view fileName, std::string_view contentType, std::string_view bytes);
    // The body with its closing line.
    std::string finish() const { return body_ + "--" + boundary_ + "--\r\n"; }

private:
    std::string boundary_;
    std::string body_;
};

} // namespace tl
