// tidelumine-quicklook PACKAGE: a window previewing a project package.

#include "extensions/common/UsageRequest.h"
#include "extensions/preview/PreviewViewController.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // Checked before Qt starts, so a wrong call is told so even without a display.
    if (const auto status = tl::extension::answerUsageRequest(argc, argv, "tidelumine-quicklook",
            "usage: tidelumine-quicklook PACKAGE\n"
            "Shows the frames of the project package PACKAGE in a window.\n"
            "  -h, --help     show this text\n"
            "  --version      show the version\n"))
        return *status;
    if (argc != 2) {
        std::fprintf(stderr, "usage: tidelumine-quicklook PACKAGE\n");
        return 64; // EX_USAGE
    }
    QApplication application(argc, argv);
    tl::preview::PreviewViewController preview;
    preview.preparePreviewOfFile(QString::fromLocal8Bit(argv[1]));
    preview.show();
    return QApplication::exec();
}
