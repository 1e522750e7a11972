// Time and peak memory of full decodes and previews of the pictures that are cheap to store and
// costly to decode: TIFFs in one strip or one tile, floating-point TIFFs and a HEIC grid of small
// tiles; and how long a small thumbnail waits when it is asked for beside each of them. Every
// decode runs in a child process under an address-space cap, so none can take the machine. Wall
// time is printed beside the child's processor time, which a busy machine inflates less.
//
// decode_bench [FOLDER]: the files are made in FOLDER (kept for later runs) or in a temporary
// folder that is removed afterwards.

#include "platform/ImageDecoding.h"
#include "support/TestImageFiles.h"
#include "support/TiledHeic.h"

#include <opencv2/imgcodecs.hpp>
#include <tiffio.h>
#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr rlim_t childAddressSpace = rlim_t { 8 } << 30;
constexpr int previewSide = 320;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct ChildRun {
    bool succeeded = false;
    double seconds = 0;
    double processorSeconds = 0; // the child's own, whatever else the machine runs
    long peakMegabytes = 0;
};

// The work's seconds come back through a pipe; its exit status says whether it succeeded.
ChildRun inChild(const std::function<bool(double&)>& work)
{
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const rlimit limit { childAddressSpace, childAddressSpace };
        setrlimit(RLIMIT_AS, &limit);
        double seconds = 0;
        const bool succeeded = work(seconds);
        const bool written = ::write(channel[1], &seconds, sizeof seconds) == static_cast<ssize_t>(sizeof seconds);
        _exit(succeeded && written ? 0 : 1);
    }
    close(channel[1]);
    ChildRun run;
    const bool read = ::read(channel[0], &run.seconds, sizeof run.seconds) == static_cast<ssize_t>(sizeof run.seconds);
    close(channel[0]);
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return {};
    run.succeeded = read && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakMegabytes = usage.ru_maxrss / 1024;
    const auto seconds
        = [](timeval time) { return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6; };
    run.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return run;
}

// Deflates `rows` copies of one row as one stream, never holding the inflated strip.
std::vector<std::uint8_t> deflatedRows(const std::vector<std::uint8_t>& row, std::uint64_t rows)
{
    z_stream stream {};
    deflateInit(&stream, 1);
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> chunk(1 << 20);
    const auto drain = [&](int flush) {
        do {
            stream.next_out = chunk.data();
            stream.avail_out = static_cast<uInt>(chunk.size());
            deflate(&stream, flush);
            out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    };
    for (std::uint64_t y = 0; y < rows; ++y) {
        stream.next_in = const_cast<Bytef*>(row.data());
        stream.avail_in = static_cast<uInt>(row.size());
        drain(Z_NO_FLUSH);
    }
    drain(Z_FINISH);
    deflateEnd(&stream);
    return out;
}

struct FlatTiff {
    std::uint32_t side;
    int bits;
    bool floatingPoint;
    std::vector<double> pixel; // one value per sample
    std::uint32_t rowsPerStrip; // 0: one strip
    bool oneTile = false;
};

// A picture of one colour, every strip the same deflated bytes.
bool writeFlatTiff(const fs::path& path, const FlatTiff& picture)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w8");
    if (!tiff) return false;
    const auto samples = static_cast<std::uint16_t>(picture.pixel.size());
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.side);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.side);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, picture.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, picture.floatingPoint ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (samples == 4) {
        const std::uint16_t extra[] = { EXTRASAMPLE_UNASSALPHA };
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    const std::uint32_t blockRows = picture.oneTile || picture.rowsPerStrip == 0 ? picture.side : picture.rowsPerStrip;
    if (picture.oneTile) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, picture.side);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, picture.side);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, blockRows);
    }
    const std::size_t sampleBytes = static_cast<std::size_t>(picture.bits) / 8;
    std::vector<std::uint8_t> row(std::size_t { picture.side } * samples * sampleBytes);
    for (std::size_t at = 0; at < row.size(); at += sampleBytes) {
        const double value = picture.pixel[(at / sampleBytes) % samples];
        if (picture.floatingPoint) {
            const auto single = static_cast<float>(value);
            std::memcpy(&row[at], &single, 4);
        } else if (picture.bits == 16) {
            const auto wide = static_cast<std::uint16_t>(value);
            std::memcpy(&row[at], &wide, 2);
        } else {
            row[at] = static_cast<std::uint8_t>(value);
        }
    }
    std::vector<std::uint8_t> block = deflatedRows(row, blockRows);
    bool written = true;
    const std::uint32_t blocks = picture.oneTile ? 1 : TIFFNumberOfStrips(tiff);
    for (std::uint32_t index = 0; index < blocks && written; ++index) {
        written = (picture.oneTile ? TIFFWriteRawTile(tiff, index, block.data(), static_cast<tmsize_t>(block.size()))
                                   : TIFFWriteRawStrip(tiff, index, block.data(), static_cast<tmsize_t>(block.size())))
            > 0;
    }
    TIFFClose(tiff);
    return written;
}

struct Picture {
    const char* name;
    std::function<bool(const fs::path&)> write;
};

void printRun(const char* what, const ChildRun& run)
{
    if (run.succeeded) {
        std::printf(
            "  %-8s %8.2f s (processor %.2f s) %7ld MB\n", what, run.seconds, run.processorSeconds, run.peakMegabytes);
    } else {
        std::printf("  %-8s  refused or failed (peak %ld MB)\n", what, run.peakMegabytes);
    }
}

ChildRun timedDecode(const fs::path& path, int side)
{
    return inChild([&](double& seconds) {
        const auto start = Clock::now();
        const cv::Mat pixels = side > 0 ? tl::decodePreview(path, side) : tl::decodeImageFile(path);
        seconds = secondsSince(start);
        return !pixels.empty();
    });
}

// The thumbnail asked for a moment after the large picture's preview began: how long it took.
ChildRun thumbnailBeside(const fs::path& large, const fs::path& small)
{
    return inChild([&](double& seconds) {
        std::thread first([&] { tl::decodePreview(large, previewSide); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto start = Clock::now();
        const bool decoded = !tl::decodePreview(small, previewSide).empty();
        seconds = secondsSince(start);
        first.join();
        return decoded;
    });
}

} // namespace

int main(int argc, char** argv)
{
    const tl::test::ScratchFolder scratch;
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : scratch.path;
    fs::create_directories(folder);

    const std::vector<Picture> pictures {
        { "TIFF 12000x12000 8-bit RGB, deflate, one strip",
            [](const fs::path& p) {
                return writeFlatTiff(p, { 12000, 8, false, { 200, 120, 40 }, 0 });
            } },
        { "TIFF 12000x12000 8-bit RGB, deflate, 64-row strips",
            [](const fs::path& p) {
                return writeFlatTiff(p, { 12000, 8, false, { 200, 120, 40 }, 64 });
            } },
        { "TIFF 16384x16384 16-bit RGBA, deflate, one strip",
            [](const fs::path& p) {
                return writeFlatTiff(p, { 16384, 16, false, { 0x1212, 0x8080, 0xC0C0, 0xFFFF }, 0 });
            } },
        { "TIFF 16384x16384 16-bit RGBA, deflate, one tile",
            [](const fs::path& p) {
                return writeFlatTiff(p, { 16384, 16, false, { 0x1212, 0x8080, 0xC0C0, 0xFFFF }, 0, true });
            } },
        { "TIFF 16384x16384 float grey, 64-row strips",
            [](const fs::path& p) {
                return writeFlatTiff(p, { 16384, 32, true, { 0.5 }, 64 });
            } },
        { "TIFF 16384x16384 float RGB, 64-row strips",
            [](const fs::path& p) {
                return writeFlatTiff(p, { 16384, 32, true, { 0.5, 0.25, 0.75 }, 64 });
            } },
        { "HEIC 16384x16384, grid of 128x128 tiles of 128 px",
            [](const fs::path& p) {
                return tl::test::canEncodeHeic() && tl::test::TiledHeic::write(p, 128, 128, { 150, 90, 170 });
            } },
    };
    const fs::path thumbnail = folder / "thumbnail.jpg";
    if (!fs::exists(thumbnail)) {
        cv::Mat pixels(4000, 6000, CV_8UC3);
        cv::randu(pixels, 0, 255);
        cv::imwrite(thumbnail.string(), pixels, { cv::IMWRITE_JPEG_QUALITY, 90 });
    }
    std::printf("Each decode in a child capped at %llu GB of address space; preview %d px.\n",
        static_cast<unsigned long long>(childAddressSpace >> 30), previewSide);
    printRun("6000x4000 JPEG thumbnail alone", timedDecode(thumbnail, previewSide));
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& picture = pictures[i];
        const fs::path path = folder / ("picture" + std::to_string(i));
        if (!fs::exists(path) && !picture.write(path)) {
            std::printf("%s: could not be written\n", picture.name);
            continue;
        }
        std::printf("%s (%llu KB)\n", picture.name, static_cast<unsigned long long>(fs::file_size(path) >> 10));
        printRun("full", timedDecode(path, 0));
        printRun("preview", timedDecode(path, previewSide));
        printRun("6000x4000 JPEG thumbnail asked beside it", thumbnailBeside(path, thumbnail));
        std::fflush(stdout);
    }
    return 0;
}
