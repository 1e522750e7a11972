#pragma once

#include "engine/HevcCodedImage.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>
#include <variant>

namespace tl {

// Coded frames kept in an unnamed file in the wallpaper's folder until they are placed in the
// wallpaper, so that memory holds only the frames being coded. The file has no name, so it
// vanishes when closed, even when the program ends halfway.
class CodedFrameFile {
public:
    // Where one frame lies in the file.
    struct Stored {
        int width = 0;
        int height = 0;
        int codedWidth = 0;
        int codedHeight = 0;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    // Nothing where the folder's file system cannot hold unnamed files.
    static std::optional<CodedFrameFile> createIn(const std::filesystem::path& folder);

    // Safe to call from several threads at once.
    std::variant<Stored, std::error_code> store(const HevcCodedImage& image);
    std::variant<HevcCodedImage, std::error_code> load(const Stored& frame) const;

    CodedFrameFile(CodedFrameFile&& other) noexcept;
    CodedFrameFile& operator=(CodedFrameFile&&) = delete;
    ~CodedFrameFile();

private:
    explicit CodedFrameFile(int descriptor);

    int descriptor_;
    std::atomic<std::uint64_t> end_ = 0;
};

} // namespace tl
