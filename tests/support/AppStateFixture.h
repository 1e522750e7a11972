#pragma once

#include "app/AppState.h"
#include "platform/Defaults.h"
#include "support/ManualEventLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tl::testing {

inline WallpaperImage keyImage(std::string name, std::optional<double> timeOfDay = std::nullopt)
{
    WallpaperImage image { .id = Uuid::random(), .fileName = std::move(name) };
    image.timeOfDay = timeOfDay;
    return image;
}

inline WallpaperImage tweenOf(const WallpaperImage& parent, std::string name)
{
    WallpaperImage image = keyImage(std::move(name));
    image.isTween = true;
    image.parentId = parent.id;
    return image;
}

inline std::vector<std::string> fileNames(const std::vector<WallpaperImage>& images)
{
    std::vector<std::string> names;
    for (const auto& image : images)
        names.push_back(image.fileName);
    return names;
}

// A store over in-memory defaults, with an undo manager whose user events end
// when the test calls endEvent().
class AppStateTest : public ::testing::Test {
protected:
    AppStateTest() { state.undoManager = undo; }

    void endEvent() { loop.finishEvent(); }

    std::vector<std::string> timeline() const { return fileNames(state.images.get()); }

    InMemoryDefaults defaults;
    ManualEventLoop loop;
    std::shared_ptr<UndoManager> undo = loop.makeUndoManager();
    AppState state { defaults };
};

} // namespace tl::testing
