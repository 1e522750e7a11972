#pragma once

#include "platform/ImageSource.h"

#include <libheif/heif.h>

#include <cstdint>

namespace tl {

// Lets libheif read a HEIF file through an ImageSource a box at a time, so reading a file's
// structure neither loads the whole file nor opens the path a second time. The reader must
// outlive every context that read through it.
class HeifSourceReader {
public:
    explicit HeifSourceReader(const ImageSource& source)
        : source_(source)
    {
    }
    HeifSourceReader(const HeifSourceReader&) = delete;
    HeifSourceReader& operator=(const HeifSourceReader&) = delete;

    heif_error readInto(heif_context* context);

private:
    static const heif_reader callbacks;

    const ImageSource& source_;
    std::uint64_t position_ = 0;
};

} // namespace tl
