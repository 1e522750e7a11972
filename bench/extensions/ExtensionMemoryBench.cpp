// Peak memory of the thumbnailer and of the previewer's frame decoding on the largest frames a
// package may hold, one file per format. Every file is made and every decode runs in a child
// process under an address-space limit, so none can take the machine's memory.
//
// extension_memory_bench [FOLDER]: the files are made in FOLDER (kept for later runs) or in a
// temporary folder that is removed afterwards.

#include "extensions/common/FrameDecoder.h"
#include "support/LargePng.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libheif/heif.h>
#include <opencv2/imgcodecs.hpp>
#include <tiffio.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int side = 16384;
constexpr rlim_t childAddressSpace = rlim_t { 4 } << 30;
constexpr rlim_t writerAddressSpace = rlim_t { 8 } << 30;

void limitAddressSpace(rlim_t bytes)
{
    const rlimit limit { bytes, bytes };
    setrlimit(RLIMIT_AS, &limit);
}

struct ChildRun {
    bool succeeded = false;
    long peakMegabytes = 0;
};

// Runs work in a child under the limit; its exit status is the work's answer.
ChildRun inChild(rlim_t addressSpace, const std::function<bool()>& work)
{
    const pid_t child = fork();
    if (child == 0) {
        limitAddressSpace(addressSpace);
        _exit(work() ? 0 : 1);
    }
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return {};
    return { WIFEXITED(status) && WEXITSTATUS(status) == 0, usage.ru_maxrss / 1024 };
}

ChildRun runProgram(const std::vector<std::string>& words)
{
    const pid_t child = fork();
    if (child == 0) {
        limitAddressSpace(childAddressSpace);
        std::vector<char*> argv;
        for (const std::string& word : words)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return {};
    return { WIFEXITED(status) && WEXITSTATUS(status) == 0, usage.ru_maxrss / 1024 };
}

bool writeTiff(const std::string& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, side);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, side);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
    const uint16_t extra[] = { EXTRASAMPLE_UNASSALPHA };
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<uint16_t> row(std::size_t(side) * 4);
    for (std::size_t x = 0; x < row.size(); x += 4) {
        row[x] = 220 * 257;
        row[x + 1] = 120 * 257;
        row[x + 2] = 30 * 257;
        row[x + 3] = 65535;
    }
    bool written = true;
    for (int y = 0; y < side && written; ++y)
        written = TIFFWriteScanline(tiff, row.data(), uint32_t(y)) == 1;
    TIFFClose(tiff);
    return written;
}

bool writeProgressiveJpeg(const std::string& path)
{
    const cv::Mat pixels(side, side, CV_8UC3, cv::Scalar(30, 120, 220));
    return cv::imwrite(path, pixels, { cv::IMWRITE_JPEG_QUALITY, 90, cv::IMWRITE_JPEG_PROGRESSIVE, 1 });
}

// A lossless WebP of one colour whose every prefix code has a single symbol, so its pixels take
// no bits at all: the largest picture WebP holds, in a few bytes.
bool writeLosslessWebp(const std::string& path)
{
    std::vector<uint8_t> bits;
    int used = 0;
    const auto put = [&](uint32_t value, int count) {
        for (int i = 0; i < count; ++i, ++used) {
            if (used % 8 == 0) bits.push_back(0);
            bits.back() |= uint8_t(((value >> i) & 1) << (used % 8));
        }
    };
    const int webpSide = 16383;
    put(0x2f, 8);
    put(webpSide - 1, 14);
    put(webpSide - 1, 14);
    put(0, 1); // no alpha
    put(0, 3); // version
    put(0, 1); // no transform
    put(0, 1); // no colour cache
    put(0, 1); // one set of prefix codes
    for (const uint32_t symbol : { 120u, 220u, 30u, 255u, 0u }) { // green, red, blue, alpha, distance
        put(1, 1); // simple code
        put(0, 1); // one symbol
        put(1, 1); // of eight bits
        put(symbol, 8);
    }
    if (bits.size() % 2) bits.push_back(0);
    const auto le32 = [](uint32_t value) {
        return std::string { char(value), char(value >> 8), char(value >> 16), char(value >> 24) };
    };
    const std::string payload(bits.begin(), bits.end());
    const std::string chunk = "VP8L" + le32(uint32_t(payload.size())) + payload;
    std::ofstream(path, std::ios::binary) << "RIFF" << le32(uint32_t(4 + chunk.size())) << "WEBP" << chunk;
    return true;
}

bool writeBmp(const std::string& path)
{
    const uint32_t rowBytes = side * 3;
    const uint32_t pixelBytes = rowBytes * side;
    std::string header(54, '\0');
    const auto at = [&header](int offset, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            header[std::size_t(offset + i)] = char(value >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    at(2, 54 + pixelBytes, 4);
    at(10, 54, 4);
    at(14, 40, 4);
    at(18, side, 4);
    at(22, side, 4);
    at(26, 1, 2);
    at(28, 24, 2);
    at(34, pixelBytes, 4);
    std::ofstream out(path, std::ios::binary);
    out << header;
    std::string row;
    for (int x = 0; x < side; ++x)
        row += std::string { char(30), char(120), char(220) };
    for (int y = 0; y < side; ++y)
        out << row;
    return bool(out);
}

bool writeHeic(const std::string& path)
{
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    bool written = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok;
    heif_image* image = nullptr;
    if (written) {
        heif_encoder_set_lossy_quality(encoder, 50);
        heif_encoder_set_parameter(encoder, "preset", "ultrafast");
        heif_image_create(side, side, heif_colorspace_YCbCr, heif_chroma_420, &image);
        const heif_channel channels[] = { heif_channel_Y, heif_channel_Cb, heif_channel_Cr };
        const uint8_t values[] = { 130, 90, 180 };
        for (int c = 0; c < 3; ++c) {
            const int planeSide = c == 0 ? side : side / 2;
            heif_image_add_plane(image, channels[c], planeSide, planeSide, 8);
            int stride = 0;
            uint8_t* plane = heif_image_get_plane(image, channels[c], &stride);
            for (int y = 0; y < planeSide; ++y)
                std::fill_n(plane + std::size_t(y) * std::size_t(stride), planeSide, values[c]);
        }
        written = heif_context_encode_image(context, image, encoder, nullptr, nullptr).code == heif_error_Ok
            && heif_context_write_to_file(context, path.c_str()).code == heif_error_Ok;
    }
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(context);
    return written;
}

struct Format {
    const char* name;
    const char* fileName;
    std::function<bool(const std::string&)> write;
};

} // namespace

int main(int argc, char** argv)
{
    const QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString thumbnailer = QCoreApplication::applicationDirPath() + QStringLiteral("/tidelumine-thumbnailer");

    const Format formats[] = {
        { "16-bit RGBA PNG 16384x16384", "frame.png",
            [](const std::string& path) {
                tl::test::LargePng { side, side, 16, 6, std::string("\xDC\xDC\x78\x78\x1E\x1E\xFF\xFF", 8) }.write(
                    path);
                return true;
            } },
        { "16-bit RGBA TIFF 16384x16384", "frame.tiff", writeTiff },
        { "lossless WebP 16383x16383", "frame.webp", writeLosslessWebp },
        { "progressive JPEG 16384x16384", "frame.jpg", writeProgressiveJpeg },
        { "24-bit BMP 16384x16384", "frame.bmp", writeBmp },
        { "HEIC 16384x16384", "frame.heic", writeHeic },
    };
    std::printf("%-32s %14s %14s %14s\n", "frame", "file (KB)", "thumbnailer", "previewer");
    for (const Format& format : formats) {
        const QString package = folder + u'/' + QString::fromLatin1(format.fileName) + QStringLiteral(".vorrind");
        const QString frame = package + QStringLiteral("/images/") + QString::fromLatin1(format.fileName);
        QDir().mkpath(package + QStringLiteral("/images"));
        QFile record(package + QStringLiteral("/project.json"));
        if (record.open(QIODevice::WriteOnly))
            record.write(QStringLiteral(R"({"version":"1.0","mode":"time","images":[{"fileName":"%1"}]})")
                             .arg(QString::fromLatin1(format.fileName))
                             .toUtf8());
        record.close();
        if (!QFile::exists(frame)
            && !inChild(writerAddressSpace, [&] { return format.write(frame.toStdString()); }).succeeded) {
            std::printf("%-32s could not be written here\n", format.name);
            continue;
        }
        const ChildRun thumbnail = runProgram({ thumbnailer.toStdString(), package.toStdString(),
            (folder + QStringLiteral("/thumbnail.png")).toStdString() });
        // The previewer's loader decodes each frame to the window's size, at most 2048.
        const ChildRun preview
            = inChild(childAddressSpace, [&] { return !tl::extension::decodeFrame(frame, 2048).isNull(); });
        const auto figure
            = [](const ChildRun& run) { return run.succeeded ? std::to_string(run.peakMegabytes) + " MB" : "failed"; };
        std::printf("%-32s %14lld %14s %14s\n", format.name, QFile(frame).size() / 1024, figure(thumbnail).c_str(),
            figure(preview).c_str());
        std::fflush(stdout);
    }
    return 0;
}
