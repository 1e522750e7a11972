#include "platform/Clock.h"
#include "platform/HeapPolicy.h"
#include "platform/http/CurlTransport.h"
#include "platform/qt/QSettingsDefaults.h"
#include "platform/qt/QtDialogs.h"
#include "shell/InformationRequest.h"
#include "shell/TidelumineApp.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    tl::returnLargeFreedBuffersToTheSystem();
    // Answered before the window system is needed, so they work without a display.
    if (const auto text = tl::informationRequested({ argv + 1, argv + argc })) {
        std::cout << *text;
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidelumine"));
    QApplication::setOrganizationName(QStringLiteral("Tidelumine"));
    QApplication::setDesktopFileName(QStringLiteral("tidelumine"));

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
