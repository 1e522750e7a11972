#include "platform/ImageDecodingPng.h"

#include "platform/ImageDecodingBands.h"
#include "platform/ImageExtent.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <optional>
#include <vector>

namespace tl {
namespace {

struct MemorySource {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
};

[[noreturn]] void failQuietly(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp)
{
}

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->bytes.size() - source->offset) png_error(png, "truncated");
    std::memcpy(out, source->bytes.data() + source->offset, length);
    source->offset += length;
}

// The reader's two libpng structures, released together.
class PngReader {
public:
    PngReader()
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning))
        , info_(png_ ? png_create_info_struct(png_) : nullptr)
    {
    }
    ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_;
    png_infop info_;
};

struct Layout {
    int width = 0;
    int height = 0;
    int channels = 0;
    int passes = 1;
};

// libpng reports errors by a long jump back to the setjmp below. Every function that calls into
// libpng after it keeps only trivially destructible state in its own frame, so the jump skips no
// destructor; the pixels live in buffers owned by the caller.
bool readHeader(const PngReader& reader, Layout& layout)
{
    png_structp png = reader.png();
    png_infop info = reader.info();
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    const auto width = png_get_image_width(png, info);
    const auto height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || isTooLargeToDecode({ width, height })) return false;
    const int colourType = png_get_color_type(png, info);
    const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparentColour;
    const bool grey = (colourType & PNG_COLOR_MASK_COLOR) == 0;

    png_set_scale_16(png);
    png_set_expand(png); // palette to RGB, grey below 8 bits to 8, a transparent colour to alpha
    if (grey && alpha) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    layout.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.channels = alpha ? 4 : grey ? 1 : 3;
    return png_get_rowbytes(png, info) == static_cast<std::size_t>(layout.width) * layout.channels;
}

// Every pass straight into the picture's own rows: interlaced pictures fill in pass by pass.
bool readWhole(const PngReader& reader, const Layout& layout, cv::Mat& pixels)
{
    png_structp png = reader.png();
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < layout.passes; ++pass) {
        for (int y = 0; y < layout.height; ++y)
            png_read_row(png, pixels.ptr(y), nullptr);
    }
    return true;
}

// Rows go through one row buffer into the shrinker. Of an interlaced picture only the last pass
// is kept, which holds every odd row whole; each stands for the even row above it too.
bool readShrunk(const PngReader& reader, const Layout& layout, std::uint8_t* row, RowBandShrinker& shrinker)
{
    png_structp png = reader.png();
    if (setjmp(png_jmpbuf(png))) return false;
    const bool interlaced = layout.passes > 1;
    for (int pass = 0; pass < layout.passes; ++pass) {
        const bool keep = pass == layout.passes - 1;
        for (int y = 0; y < layout.height; ++y) {
            png_read_row(png, row, nullptr);
            if (!keep) continue;
            if (!interlaced) {
                shrinker.addRow(row);
            } else if (y % 2 == 1) {
                shrinker.addRow(row);
                shrinker.addRow(row);
            } else if (y == layout.height - 1) {
                shrinker.addRow(row); // the last row of an odd height repeats the one above
            }
        }
    }
    return true;
}

} // namespace

bool isPngFile(std::span<const std::uint8_t> file)
{
    return file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0;
}

cv::Mat decodePng(std::span<const std::uint8_t> file, int maxLongSide)
{
    const PngReader reader;
    if (!reader.png() || !reader.info()) return {};
    MemorySource source { file };
    png_set_read_fn(reader.png(), &source, readFromMemory);
    Layout layout;
    if (!readHeader(reader, layout)) return {};

    const int factor = RowBandShrinker::factorFor(layout.width, layout.height, maxLongSide);
    // An interlaced picture one row high has no last pass to keep.
    if (factor == 1 || (layout.passes > 1 && layout.height < 2)) {
        cv::Mat pixels(layout.height, layout.width, CV_8UC(layout.channels));
        return readWhole(reader, layout, pixels) ? pixels : cv::Mat();
    }
    RowBandShrinker shrinker(layout.width, layout.height, layout.channels, factor);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(layout.width) * layout.channels);
    return readShrunk(reader, layout, row.data(), shrinker) ? shrinker.take() : cv::Mat();
}

} // namespace tl
