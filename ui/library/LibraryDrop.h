#pragma once

#include "platform/Uuid.h"

#include <QMimeData>

#include <filesystem>
#include <optional>
#include <variant>
#include <vector>

namespace tl::ui {

// The MIME type of our own library drags: the dragged image's identifier.
inline constexpr const char* libraryImageMimeType = "application/x-tidelumine-image-id";

struct ImportDrop {
    std::vector<std::filesystem::path> files; // in drop order
};
struct ReorderDrop {
    Uuid moving;
};
using LibraryDrop = std::variant<std::monostate, ImportDrop, ReorderDrop>;

// What a drop onto the library does. Local files always import, even when the file manager
// added text beside the file list; only our own drags reorder.
LibraryDrop classifyDrop(const QMimeData& data);

// The payload of a library drag: our own type, and the identifier as plain text for others.
QMimeData* makeLibraryDragData(const Uuid& id);

} // namespace tl::ui
