#include "platform/SrgbConversion.h"

#include <lcms2.h>

#include <memory>

namespace tl {
namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

cmsUInt32Number pixelFormat(int depth, int channels)
{
    const bool deep = depth == CV_16U;
    switch (channels) {
    case 1:
        return deep ? TYPE_GRAY_16 : TYPE_GRAY_8;
    case 3:
        return deep ? TYPE_BGR_16 : TYPE_BGR_8;
    case 4:
        return deep ? TYPE_BGRA_16 : TYPE_BGRA_8;
    default:
        return 0;
    }
}

cv::Mat transformToSrgb(const cv::Mat& pixels, cmsHPROFILE source)
{
    const int depth = pixels.depth();
    const int channels = pixels.channels();
    if (!source || (depth != CV_8U && depth != CV_16U)) return pixels;
    const cmsColorSpaceSignature space = cmsGetColorSpace(source);
    const bool grey = channels == 1;
    if ((grey && space != cmsSigGrayData) || (!grey && space != cmsSigRgbData)) return pixels;

    const int outputChannels = grey ? 3 : channels;
    const Profile srgb(cmsCreate_sRGBProfile());
    // Without a cache one transform may serve several threads at once.
    const Transform transform(cmsCreateTransform(source, pixelFormat(depth, channels), srgb.get(),
        pixelFormat(depth, outputChannels), INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE | cmsFLAGS_COPY_ALPHA));
    if (!transform) return pixels;

    // The same layout is converted in place (lcms allows it), so a large picture is not held twice.
    cv::Mat converted
        = outputChannels == channels ? pixels : cv::Mat(pixels.size(), CV_MAKETYPE(depth, outputChannels));
    cv::parallel_for_(cv::Range(0, pixels.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y)
            cmsDoTransform(transform.get(), pixels.ptr(y), converted.ptr(y), static_cast<cmsUInt32Number>(pixels.cols));
    });
    return converted;
}

} // namespace

cv::Mat convertProfileToSrgb(const cv::Mat& pixels, std::span<const std::uint8_t> iccProfile)
{
    if (iccProfile.empty()) return pixels;
    const Profile source(cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size())));
    return transformToSrgb(pixels, source.get());
}

cv::Mat convertPrimariesToSrgb(const cv::Mat& pixels, const RgbPrimaries& p)
{
    const cmsCIExyY white { p.whiteX, p.whiteY, 1.0 };
    const cmsCIExyYTRIPLE primaries { { p.redX, p.redY, 1.0 }, { p.greenX, p.greenY, 1.0 }, { p.blueX, p.blueY, 1.0 } };
    // The sRGB curve: type 4 of the parametric curves, with its published constants.
    const cmsFloat64Number srgbCurve[5] = { 2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045 };
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    if (!curve) return pixels;
    cmsToneCurve* curves[3] = { curve, curve, curve };
    const Profile source(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return transformToSrgb(pixels, source.get());
}

} // namespace tl
