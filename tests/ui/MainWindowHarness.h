#pragma once

#include "platform/Defaults.h"
#include "platform/qt/QtDialogs.h"
#include "shell/TidelumineApp.h"
#include "support/OfflinePlatform.h"
#include "support/ScriptedDialogs.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QImage>
#include <QToolBar>

#include <filesystem>
#include <string>
#include <vector>

namespace tl::testing {

// The real program's objects and main window over in-memory defaults and scripted panels.
class MainWindowHarness {
public:
    MainWindowHarness() { app.start({}); }

    MainWindow& window() { return *app.mainWindow(); }
    ContentView& content() { return *static_cast<ContentView*>(window().centralWidget()); }

    QAction& toolbarAction(const QString& text)
    {
        for (QAction* action : content().toolbar()->actions()) {
            if (action->text() == text) return *action;
        }
        ADD_FAILURE() << "no toolbar action " << text.toStdString();
        static QAction none;
        return none;
    }

    // Solid-colour PNG files in the scratch folder, one per colour.
    std::vector<std::filesystem::path> writePictures(const std::vector<QColor>& colours, QSize size = { 160, 90 })
    {
        std::vector<std::filesystem::path> files;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(colours[i]);
            // A band of another shade, so scaled pictures are not flat.
            for (int y = 0; y < size.height() / 3; ++y) {
                for (int x = 0; x < size.width(); ++x)
                    picture.setPixelColor(x, y, colours[i].lighter(150));
            }
            const auto path = folder.path() / ("frame-" + std::to_string(i + 1) + ".png");
            picture.save(QString::fromStdString(path.string()));
            files.push_back(path);
        }
        return files;
    }

    // Imports through the toolbar's import action and the (scripted) import panel.
    bool importThroughToolbar(const std::vector<std::filesystem::path>& files)
    {
        const auto before = app.appState.images.get().size();
        dialogs.chooseInImportPanel(files);
        toolbarAction(QStringLiteral("Import Images...")).trigger();
        return processEventsUntil([&] { return app.appState.images.get().size() == before + files.size(); });
    }

    TemporaryFolder folder;
    OfflinePlatform platform;
    InMemoryDefaults& defaults = platform.defaults;
    ScriptedDialogs dialogs;
    QtMainThreadScheduler scheduler;
    TidelumineApp app { platform.services(dialogs, scheduler) };
};

} // namespace tl::testing
