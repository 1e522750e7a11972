#include "engine/X265Frame.h"

#include "engine/HeicEncoder.h"
#include "engine/Yuv420Conversion.h"

#include <x265.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

namespace tl {
namespace {

HeicGeneratorError failure()
{
    return HeicGeneratorError::of(HeicGeneratorError::Kind::heicCreationFailed);
}

// x265 cannot code a picture smaller than its coding tree unit, nor one with odd sides.
int codedSide(int side)
{
    return std::max(64, (side + 1) & ~1);
}

int treeUnitSize(int width, int height)
{
    int size = 64;
    while (size > 16 && (width < size || height < size))
        size /= 2;
    return size;
}

// The three planes at the size x265 codes, the picture in the top left corner and its last
// column and row repeated into the rest, as libheif pads them.
class PaddedPlanes {
public:
    PaddedPlanes(const cv::Mat& bgr, int codedWidth, int codedHeight)
        : luma_(codedHeight, codedWidth, CV_8UC1)
        , cb_(codedHeight / 2, codedWidth / 2, CV_8UC1)
        , cr_(codedHeight / 2, codedWidth / 2, CV_8UC1)
    {
        fillYuv420(bgr,
            { luma_.data, static_cast<int>(luma_.step), cb_.data, static_cast<int>(cb_.step), cr_.data,
                static_cast<int>(cr_.step) });
        repeatEdges(luma_, bgr.cols, bgr.rows);
        repeatEdges(cb_, bgr.cols / 2, bgr.rows / 2);
        repeatEdges(cr_, bgr.cols / 2, bgr.rows / 2);
    }

    void lendTo(x265_picture& picture)
    {
        cv::Mat* planes[] = { &luma_, &cb_, &cr_ };
        for (int index = 0; index < 3; ++index) {
            picture.planes[index] = planes[index]->data;
            picture.stride[index] = static_cast<int>(planes[index]->step);
        }
    }

private:
    static void repeatEdges(cv::Mat& plane, int width, int height)
    {
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = plane.ptr(y);
            std::fill(row + width, row + plane.cols, row[width - 1]);
        }
        for (int y = height; y < plane.rows; ++y)
            plane.row(height - 1).copyTo(plane.row(y));
    }

    cv::Mat luma_, cb_, cr_;
};

const x265_api* eightBitApi()
{
    return x265_api_get(8);
}

struct ParamRelease {
    void operator()(x265_param* param) const { eightBitApi()->param_free(param); }
};
struct PictureRelease {
    void operator()(x265_picture* picture) const { eightBitApi()->picture_free(picture); }
};

bool parse(const x265_api* api, x265_param* param, const char* name, const std::string& value)
{
    return api->param_parse(param, name, value.c_str()) == 0;
}

std::unique_ptr<x265_param, ParamRelease> settings(const x265_api* api, int width, int height, int threads)
{
    std::unique_ptr<x265_param, ParamRelease> param(api->param_alloc(), ParamRelease {});
    if (!param || api->param_default_preset(param.get(), heicPreset, "ssim") != 0
        || api->param_apply_profile(param.get(), "mainstillpicture") != 0)
        return { nullptr, ParamRelease {} };
    param->fpsNum = 1;
    param->fpsDenom = 1;
    param->totalFrames = 1;
    param->internalCsp = X265_CSP_I420;
    const std::pair<const char*, std::string> options[] = {
        { "info", "0" },
        { "limit-modes", "0" },
        { "limit-refs", "0" },
        { "ctu", std::to_string(treeUnitSize(width, height)) },
        { "rskip", "0" },
        { "rect", "1" },
        { "amp", "1" },
        { "aq-mode", "1" },
        { "psy-rd", "1.0" },
        { "psy-rdoq", "1.0" },
        { "range", heicFullRange ? "full" : "limited" },
        { "colorprim", std::to_string(heicColourPrimaries) },
        { "transfer", std::to_string(heicTransferCharacteristics) },
        { "colormatrix", std::to_string(heicMatrixCoefficients) },
        { "tu-intra-depth", "2" },
        { "pools", std::to_string(threads) },
    };
    for (const auto& [name, value] : options)
        if (!parse(api, param.get(), name, value)) return { nullptr, ParamRelease {} };
    param->bLossless = 0;
    param->rc.rfConstant = (100 - heicQuality) / 2.0;
    param->logLevel = X265_LOG_NONE;
    param->sourceWidth = codedSide(width);
    param->sourceHeight = codedSide(height);
    param->internalBitDepth = 8;
    return param;
}

// Units as bare NAL units, without start codes; x265's user-data SEI (its version and settings)
// is left out, as libheif leaves it out.
void collect(const x265_nal* nals, std::uint32_t count, std::vector<std::string>& units)
{
    for (std::uint32_t index = 0; index < count; ++index) {
        const auto* data = nals[index].payload;
        std::size_t size = nals[index].sizeBytes;
        while (size > 0 && *data == 0) {
            ++data;
            --size;
        }
        if (size == 0) continue;
        ++data; // the start code's 1
        --size;
        const bool userDataSei = size >= 3 && data[0] == 0x4e && data[2] == 5;
        if (!userDataSei) units.emplace_back(reinterpret_cast<const char*>(data), size);
    }
}

} // namespace

void X265Frame::Close::operator()(x265_encoder* encoder) const
{
    eightBitApi()->encoder_close(encoder);
}

X265Frame::X265Frame(std::unique_ptr<x265_encoder, Close> encoder, HevcCodedImage image)
    : encoder_(std::move(encoder))
    , image_(std::move(image))
{
}

X265Frame::X265Frame(X265Frame&&) noexcept = default;
X265Frame& X265Frame::operator=(X265Frame&&) noexcept = default;
X265Frame::~X265Frame() = default;

Result<X265Frame, HeicGeneratorError> X265Frame::analyse(cv::Mat bgr, int threads)
{
    const x265_api* api = eightBitApi();
    if (!api || bgr.empty() || bgr.type() != CV_8UC3 || bgr.cols % 2 || bgr.rows % 2) return failure();
    HevcCodedImage image;
    image.width = bgr.cols;
    image.height = bgr.rows;
    const auto param = settings(api, bgr.cols, bgr.rows, threads);
    if (!param) return failure();
    image.codedWidth = param->sourceWidth;
    image.codedHeight = param->sourceHeight;

    PaddedPlanes planes(bgr, image.codedWidth, image.codedHeight);
    bgr.release();
    const std::unique_ptr<x265_picture, PictureRelease> picture(api->picture_alloc());
    if (!picture) return failure();
    api->picture_init(param.get(), picture.get());
    planes.lendTo(*picture);
    picture->bitDepth = 8;
    std::unique_ptr<x265_encoder, Close> encoder(api->encoder_open(param.get()));
    if (!encoder) return failure();

    x265_nal* nals = nullptr;
    std::uint32_t count = 0;
    if (api->encoder_encode(encoder.get(), &nals, &count, picture.get(), nullptr) < 0) return failure();
    collect(nals, count, image.units);
    return X265Frame(std::move(encoder), std::move(image));
}

Result<HevcCodedImage, HeicGeneratorError> X265Frame::code() &&
{
    const x265_api* api = eightBitApi();
    x265_nal* nals = nullptr;
    std::uint32_t count = 0;
    int output = 0;
    while ((output = api->encoder_encode(encoder_.get(), &nals, &count, nullptr, nullptr)) > 0)
        collect(nals, count, image_.units);
    encoder_.reset();
    if (output < 0 || image_.units.empty()) return failure();
    return std::move(image_);
}

} // namespace tl
