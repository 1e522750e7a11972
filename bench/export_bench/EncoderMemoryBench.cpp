// Prints how much memory x265 takes to code one frame of each size, beside what the writer counts
// on before it starts (encoderMemoryNeed). Each frame is coded in a child process of its own, so
// its peaks are its own. Usage: encoder_memory_bench [side...] (default 1024 2048 4096 8192;
// 16384 needs about 7.4 GB of address space and 5.4 GB of memory).

#include "engine/EncoderMemory.h"
#include "engine/HeicEncoder.h"
#include "platform/HeapPolicy.h"

#include <opencv2/core.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tl {
namespace {

constexpr double megabyte = 1024.0 * 1024.0;

// A field of /proc/self/status ("VmPeak:", "VmHWM:", ...) in bytes.
double statusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key)) return std::atof(line.c_str() + key.size()) * 1024.0;
    }
    return 0;
}

void measure(int side, int threads)
{
    const pid_t child = fork();
    if (child == 0) {
        returnLargeFreedBuffersToTheSystem(); // as the app and the command line run
        cv::Mat pixels(side, side, CV_8UC3);
        cv::randu(pixels, cv::Scalar::all(0), cv::Scalar::all(255));
        const double mapped = statusBytes("VmSize:");
        const double resident = statusBytes("VmRSS:");
        auto analysed = HeicEncoder::startCoding(std::move(pixels), threads);
        const bool coded = analysed && std::move(analysed).value().code().ok();
        const auto need = encoderMemoryNeed(side, side, threads);
        std::printf("%5d x %-5d %2d threads  %s  address space %7.0f MB (counted %7.0f)  resident %7.0f MB "
                    "(counted %7.0f)\n",
            side, side, threads, coded ? "coded " : "failed", (statusBytes("VmPeak:") - mapped) / megabyte,
            static_cast<double>(need.addressSpace) / megabyte, (statusBytes("VmHWM:") - resident) / megabyte,
            static_cast<double>(need.resident) / megabyte);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) std::printf("%5d x %-5d ended by signal %d\n", side, side, WTERMSIG(status));
}

} // namespace
} // namespace tl

int main(int argc, char** argv)
{
    std::vector<int> sides;
    for (int i = 1; i < argc; ++i)
        sides.push_back(std::atoi(argv[i]));
    if (sides.empty()) sides = { 1024, 2048, 4096, 8192 };
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    for (const int threads : { 1, cores })
        for (const int side : sides)
            tl::measure(side, threads);
}
