#include "platform/TiffClient.h"

#include <algorithm>
#include <cstdio>

namespace tl {

struct TiffCursor {
    const ImageSource* source;
    std::uint64_t position = 0;
};

namespace {

using Cursor = TiffCursor;

tmsize_t readBytes(thandle_t handle, void* out, tmsize_t size)
{
    auto* cursor = static_cast<Cursor*>(handle);
    const std::uint64_t left = cursor->source->size() - std::min(cursor->position, cursor->source->size());
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size), left));
    if (!cursor->source->read(cursor->position, { static_cast<std::uint8_t*>(out), count })) return -1;
    cursor->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t refuseWrite(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence)
{
    auto* cursor = static_cast<Cursor*>(handle);
    const std::uint64_t base = whence == SEEK_CUR ? cursor->position : whence == SEEK_END ? cursor->source->size() : 0;
    cursor->position = base + offset;
    return cursor->position;
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t sizeOf(thandle_t handle)
{
    return static_cast<Cursor*>(handle)->source->size();
}

int mapNothing(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapNothing(thandle_t, void*, toff_t)
{
}

int ignoreMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

} // namespace

TiffClient::TiffClient(const ImageSource& source)
    : cursor_(std::make_unique<Cursor>(Cursor { &source }))
{
    const std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options) return;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ignoreMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreMessage, nullptr);
    // "m": no memory mapping, every byte comes through the source.
    handle_.reset(TIFFClientOpenExt("picture", "rm", cursor_.get(), readBytes, refuseWrite, seekTo, closeNothing,
        sizeOf, mapNothing, unmapNothing, options.get()));
}

TiffClient::~TiffClient() = default;

} // namespace tl
