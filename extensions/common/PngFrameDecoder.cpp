#include "extensions/common/PngFrameDecoder.h"

#include "extensions/common/BandAverager.h"
#include "extensions/common/FrameDecoder.h"

#include <QFile>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace tl::extension {
namespace {

[[noreturn]] void failQuietly(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp)
{
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class Reader {
public:
    Reader()
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning))
        , info_(png_ ? png_create_info_struct(png_) : nullptr)
    {
    }
    ~Reader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    png_structp png_;
    png_infop info_;
};

struct Layout {
    int width = 0;
    int height = 0;
    bool alpha = false;
    int passes = 1;
};

// libpng reports errors by a long jump back to these functions' setjmp; what they hold in their
// own frames is trivially destructible, and the pixels belong to the caller.
bool readHeader(const Reader& reader, std::FILE* file, Layout& layout)
{
    png_structp png = reader.png_;
    png_infop info = reader.info_;
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_read_info(png, info);
    const auto width = png_get_image_width(png, info);
    const auto height = png_get_image_height(png, info);
    if (width == 0 || height == 0
        || isTooLargeToDecode(QSize(int(std::min(width, 1u << 30)), int(std::min(height, 1u << 30)))))
        return false;
    const int colourType = png_get_color_type(png, info);
    layout.alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_scale_16(png);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png); // QImage's 32-bit formats are B, G, R, A in memory on little-endian machines
    if (!layout.alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    layout.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout.width = int(width);
    layout.height = int(height);
    return png_get_rowbytes(png, info) == std::size_t(layout.width) * 4;
}

bool readWhole(const Reader& reader, const Layout& layout, QImage& image)
{
    png_structp png = reader.png_;
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < layout.passes; ++pass) {
        for (int y = 0; y < layout.height; ++y)
            png_read_row(png, image.scanLine(y), nullptr);
    }
    return true;
}

// Of an interlaced picture only the last pass is kept: every odd row whole, standing for the even
// row above it too.
bool readAveraged(const Reader& reader, const Layout& layout, uchar* row, BandAverager& averager)
{
    png_structp png = reader.png_;
    if (setjmp(png_jmpbuf(png))) return false;
    const bool interlaced = layout.passes > 1;
    for (int pass = 0; pass < layout.passes; ++pass) {
        const bool keep = pass == layout.passes - 1;
        for (int y = 0; y < layout.height; ++y) {
            png_read_row(png, row, nullptr);
            if (!keep) continue;
            if (!interlaced || y % 2 == 1) averager.add(row);
            if (interlaced && (y % 2 == 1 || y == layout.height - 1)) averager.add(row);
        }
    }
    averager.flush();
    return true;
}

} // namespace

bool isPng(const QByteArray& head)
{
    return head.size() >= 8 && png_sig_cmp(reinterpret_cast<png_const_bytep>(head.constData()), 0, 8) == 0;
}

QImage decodePng(const QString& path, int longSide)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(QFile::encodeName(path).constData(), "rb"));
    const Reader reader;
    if (!file || !reader.png_ || !reader.info_) return {};
    Layout layout;
    if (!readHeader(reader, file.get(), layout)) return {};

    const QImage::Format format = layout.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const int factor = BandAverager::factorFor(layout.width, layout.height, longSide);
    if (factor == 1 || (layout.passes > 1 && layout.height < 2)) {
        QImage image(layout.width, layout.height, format);
        if (image.isNull()) return {};
        return readWhole(reader, layout, image) ? image : QImage();
    }
    QImage reduced = BandAverager::reducedCanvas(layout.width, layout.height, factor, format);
    if (reduced.isNull()) return {};
    BandAverager averager(reduced, layout.width, factor);
    std::vector<uchar> row(std::size_t(layout.width) * 4);
    return readAveraged(reader, layout, row.data(), averager) ? reduced : QImage();
}

} // namespace tl::extension
