// tidelumine-thumbnailer [-s SIZE] INPUT OUTPUT: writes a PNG thumbnail of a project package.
// Runs without a display, as file managers' sandboxed thumbnail processes require.

#include "extensions/common/UsageRequest.h"
#include "extensions/thumbnail/ThumbnailProvider.h"

#include <QCoreApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>
#include <optional>
#include <variant>

namespace {

using namespace tl::thumbnail;

// Exit statuses beyond the thumbnail error codes, as <sysexits.h> numbers them.
constexpr int exitUsage = 64;
constexpr int exitCannotCreate = 73;

constexpr int defaultSize = 256;
constexpr int largestSize = 16384;

struct Arguments {
    int size = defaultSize;
    QString input;
    QString output;
};

void printLine(const QString& line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

std::optional<Arguments> parseArguments(const QStringList& words)
{
    Arguments arguments;
    qsizetype next = 1;
    if (words.size() > next && words[next] == QLatin1String("-s")) {
        if (words.size() <= next + 1) return std::nullopt;
        bool isNumber = false;
        arguments.size = words[next + 1].toInt(&isNumber);
        if (!isNumber || arguments.size < 1 || arguments.size > largestSize) return std::nullopt;
        next += 2;
    }
    if (words.size() != next + 2) return std::nullopt;
    arguments.input = words[next];
    arguments.output = words[next + 1];
    return arguments;
}

// Nothing is left at OUTPUT unless the whole PNG was written.
bool writePng(const QImage& image, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString usageLine()
{
    return QStringLiteral("usage: tidelumine-thumbnailer [-s SIZE] INPUT OUTPUT (SIZE from 1 to %1, default %2)")
        .arg(largestSize)
        .arg(defaultSize);
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray usage = (usageLine()
        + QStringLiteral("\n"
                         "Writes a PNG thumbnail of the project package INPUT "
                         "to OUTPUT, fitted within SIZE x SIZE pixels.\n"
                         "  -h, --help     show this text\n"
                         "  --version      show the version\n"))
                                 .toLocal8Bit();
    if (const auto status = tl::extension::answerUsageRequest(argc, argv, "tidelumine-thumbnailer", usage.constData()))
        return *status;
    const QCoreApplication application(argc, argv);
    const auto arguments = parseArguments(QCoreApplication::arguments());
    if (!arguments) {
        printLine(usageLine());
        return exitUsage;
    }

    const auto thumbnail = ThumbnailProvider::makeThumbnail(arguments->input, arguments->size);
    if (const auto* error = std::get_if<ThumbnailError>(&thumbnail)) {
        printLine(QStringLiteral("%1 error %2: %3")
                      .arg(QLatin1String(thumbnailErrorDomain))
                      .arg(code(*error))
                      .arg(message(*error)));
        return code(*error);
    }
    if (!writePng(std::get<QImage>(thumbnail), arguments->output)) {
        printLine(QStringLiteral("tidelumine-thumbnailer: cannot write %1").arg(arguments->output));
        return exitCannotCreate;
    }
    return 0;
}
