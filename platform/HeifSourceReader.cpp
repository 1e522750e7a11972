#include "platform/HeifSourceReader.h"

#include <span>

namespace tl {

const heif_reader HeifSourceReader::callbacks = {
    .reader_api_version = 1,
    .get_position = [](void* self) -> std::int64_t {
        return static_cast<std::int64_t>(static_cast<HeifSourceReader*>(self)->position_);
    },
    .read = [](void* data, std::size_t size, void* self) -> int {
        auto& reader = *static_cast<HeifSourceReader*>(self);
        if (!reader.source_.read(reader.position_, std::span(static_cast<std::uint8_t*>(data), size))) return 1;
        reader.position_ += size;
        return 0;
    },
    .seek = [](std::int64_t position, void* self) -> int {
        auto& reader = *static_cast<HeifSourceReader*>(self);
        if (position < 0 || static_cast<std::uint64_t>(position) > reader.source_.size()) return 1;
        reader.position_ = static_cast<std::uint64_t>(position);
        return 0;
    },
    .wait_for_file_size = [](std::int64_t size, void* self) -> heif_reader_grow_status {
        const auto& reader = *static_cast<HeifSourceReader*>(self);
        return size >= 0 && static_cast<std::uint64_t>(size) <= reader.source_.size()
            ? heif_reader_grow_status_size_reached
            : heif_reader_grow_status_size_beyond_eof;
    },
};

heif_error HeifSourceReader::readInto(heif_context* context)
{
    return heif_context_read_from_reader(context, &callbacks, this, nullptr);
}

} // namespace tl
