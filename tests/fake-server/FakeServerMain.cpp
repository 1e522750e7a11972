// The fake product server as a program, so the whole generation road runs offline:
//   tidelumine-fake-server [port]        (default 8787)
// then start the app with API_SERVER_URL=http://127.0.0.1:<port>.
// Every image is a plain PNG gradient coloured after the lighting phase its prompt names.

#include "generation/LightingPhases.h"
#include "generation/fakes/FakeProductServer.h"
#include "platform/Log.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <csignal>
#include <cstdlib>
#include <string>

namespace {

struct Colours {
    cv::Scalar sky;
    cv::Scalar ground;
};

// BGR colours from night to sunset, one pair per lighting phase.
const Colours kPhaseColours[] = {
    { { 70, 30, 10 }, { 30, 15, 5 } },
    { { 90, 40, 20 }, { 35, 20, 10 } },
    { { 120, 60, 30 }, { 40, 30, 20 } },
    { { 170, 110, 110 }, { 60, 50, 40 } },
    { { 90, 160, 240 }, { 40, 80, 110 } },
    { { 150, 200, 240 }, { 60, 110, 90 } },
    { { 240, 200, 140 }, { 70, 140, 90 } },
    { { 230, 190, 130 }, { 60, 130, 90 } },
    { { 60, 150, 240 }, { 30, 80, 120 } },
    { { 40, 90, 220 }, { 20, 40, 80 } },
};

Colours coloursFor(const std::string& prompt)
{
    const auto phases = tl::lightingPhaseTable();
    for (std::size_t index = 0; index < phases.size(); ++index) {
        if (prompt.find(phases[index].timeOfDay) != std::string::npos) return kPhaseColours[index];
    }
    return { { 200, 200, 200 }, { 90, 90, 90 } };
}

std::string gradientPNG(const std::string& prompt)
{
    const Colours colours = coloursFor(prompt);
    cv::Mat image(576, 1024, CV_8UC3);
    for (int row = 0; row < image.rows; ++row) {
        const double t = static_cast<double>(row) / (image.rows - 1);
        image.row(row).setTo(colours.sky * (1.0 - t) + colours.ground * t);
    }
    std::vector<unsigned char> encoded;
    cv::imencode(".png", image, encoded);
    return { encoded.begin(), encoded.end() };
}

} // namespace

int main(int argc, char** argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : 8787;
    if (port <= 0 || port > 65535) {
        tl::log("usage: tidelumine-fake-server [port]");
        return 2;
    }

    // Blocked before the server's threads start, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        tl::testing::FakeProductServer server(port);
        server.imageFor = gradientPNG;
        tl::log("Fake product server on " + server.url() + " (Ctrl-C to stop)");
        int received = 0;
        sigwait(&stopSignals, &received);
    } catch (const std::exception& error) {
        tl::log(std::string("Cannot start the fake server: ") + error.what());
        return 1;
    }
    return 0;
}
