#pragma once

#include "platform/ImageSource.h"

#include <tiffio.h>

#include <cstdint>
#include <memory>

namespace tl {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct TiffCursor;

// libtiff reading a picture through an ImageSource, with a position of its own: several may read
// one source at once (one per plane of a picture stored plane by plane). Messages about damaged
// files are dropped: such a file is an ordinary outcome here.
class TiffClient {
public:
    explicit TiffClient(const ImageSource& source);
    ~TiffClient();
    TiffClient(const TiffClient&) = delete;
    TiffClient& operator=(const TiffClient&) = delete;

    // Null when the first directory cannot be read.
    TIFF* get() const { return handle_.get(); }

private:
    std::unique_ptr<TiffCursor> cursor_; // libtiff keeps its address
    TiffHandle handle_;
};

} // namespace tl
