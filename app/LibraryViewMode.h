#pragma once

#include "platform/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace tl {

// How the images library lays out the timeline.
enum class LibraryViewMode { grid, list, single };

inline constexpr std::array allLibraryViewModes { LibraryViewMode::grid, LibraryViewMode::list,
    LibraryViewMode::single };

constexpr std::string_view rawValue(LibraryViewMode mode)
{
    switch (mode) {
    case LibraryViewMode::grid:
        return "grid";
    case LibraryViewMode::list:
        return "list";
    case LibraryViewMode::single:
        return "single";
    }
    return "grid";
}

constexpr std::optional<LibraryViewMode> libraryViewMode(std::string_view raw)
{
    return caseWithRawValue(allLibraryViewModes, raw);
}

} // namespace tl
