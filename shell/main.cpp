#include "platform/Clock.h"
#include "platform/HeapPolicy.h"
#include "platform/http/CurlTransport.h"
#include "platform/qt/QSettingsDefaults.h"
#include "platform/qt/QtDialogs.h"
#include "shell/InformationRequest.h"
#include "shell/TidelumineApp.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string_view>

namespace {

bool environmentSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Without any of these Qt aborts with a hint to reinstall, which misleads: the program is sound,
// it only has no screen to draw on. A platform named on the command line is Qt's to judge.
bool displayReachable(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "-platform") return true;
    return environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY") || environmentSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[])
{
    tl::returnLargeFreedBuffersToTheSystem();
    // Answered before the window system is needed, so they work without a display.
    if (const auto text = tl::informationRequested({ argv + 1, argv + argc })) {
        std::cout << *text;
        return 0;
    }
    if (!displayReachable(argc, argv)) {
        std::cerr << "Tidelumine: no display found: run it in a desktop session, or with xvfb-run or "
                     "QT_QPA_PLATFORM=offscreen for scripts\n";
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidelumine"));
    QApplication::setOrganizationName(QStringLiteral("Tidelumine"));
    QApplication::setDesktopFileName(QStringLiteral("com.hollowquart.tidelumine"));

    std::vector<std::filesystem::path> documents;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        documents.emplace_back(arguments[i].toStdString());

    tl::QSettingsDefaults defaults;
    tl::QtDialogs dialogs;
    tl::QtMainThreadScheduler scheduler;
    tl::CurlTransport transport;
    tl::TidelumineApp app({
        .defaults = defaults,
        .dialogs = dialogs,
        .scheduler = scheduler,
        .transport = transport,
        .environment = tl::processEnvironment(),
        .clock = tl::systemClock(),
    });
    app.start(documents);
    return QApplication::exec();
}
