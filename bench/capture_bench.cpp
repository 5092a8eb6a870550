// How fast the show is captured to a video, against the length of its music, and where the
// time goes: drawing, reading frames back, encoding. The show runs whole, from RunDemo down,
// on the offscreen backend.

#include "app/application.h"
#include "app/run_demo.h"
#include "capture/capture.h"
#include "child_run.h"
#include "harness.h"
#include "platform/argument_vector.h"
#include "platform/offscreen/offscreen_backend.h"
#include "support/test_files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int fps = 60;
constexpr double musicSeconds = 66.0;
constexpr int quickUntilMs = 1000;

struct Cost {
    double wall = 0.0;     // seconds
    double peakMiB = 0.0;  // this process's largest resident set during the run
    double process = 0.0;  // CPU seconds of this process, its drawing threads included
    double children = 0.0; // CPU seconds of the encoder
};

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs in the source folder, where the show finds its data, and leaves the window class
// free for the next run in this process.
template <typename Run>
Cost Measure(Run run) {
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(TUVORAN_SOURCE_DIR);
    const double process = CpuSeconds(RUSAGE_SELF);
    const double children = CpuSeconds(RUSAGE_CHILDREN);
    ResetPeakResident();
    const auto start = std::chrono::steady_clock::now();
    run();
    Cost cost;
    cost.peakMiB = PeakResidentKiB(getpid()) / 1024.0;
    cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.process = CpuSeconds(RUSAGE_SELF) - process;
    cost.children = CpuSeconds(RUSAGE_CHILDREN) - children;
    UnregisterClassA(g_windowClassName, g_instance);
    std::filesystem::current_path(here);
    return cost;
}

// Takes what the backend offers and drops it.
class DroppingSink final : public CaptureSink {
public:
    DroppingSink(bool readBackFrames, int untilMs) : readBack(readBackFrames), until(untilMs) {}

    bool WantsFrame(std::int64_t /*index*/, std::uint32_t /*timeMs*/) override { return readBack; }
    void TakeFrame(const CapturedFrame& /*frame*/) override {}
    void StartAudio(int /*rate*/, int /*channels*/) override {}
    void TakeAudio(const float* /*samples*/, int /*frames*/) override {}
    bool FrameDone(std::int64_t index) override { return until < 0 || index * 1000 / fps < until; }

private:
    const bool readBack;
    const int until;
};

void RunShow(CaptureSink& sink, int width, int height) {
    std::string arguments[] = {"tuvoran-capture", std::to_string(width), std::to_string(height),
                               "32"};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                    arguments[3].data(), nullptr};
    const std::unique_ptr<Backend> backend = CreateOffscreenBackend(fps, sink);
    RunPlatform(4, argv, *backend, WinMain);
}

// The capture program's own run, its summary line kept off the table.
void RunCaptureProgram(const std::vector<std::string>& options) {
    std::vector<std::string> arguments{"tuvoran-capture"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv = ArgumentVector(arguments);
    std::fflush(stderr);
    const int savedError = dup(STDERR_FILENO);
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDERR_FILENO);
    close(nowhere);
    RunCapture(static_cast<int>(arguments.size()), argv.data(), WinMain, musicPath);
    dup2(savedError, STDERR_FILENO);
    close(savedError);
}

std::vector<Figure> CaptureAt(int width, int height, const BenchOptions& options) {
    const int until = options.quick ? quickUntilMs : -1;
    const double length = options.quick ? quickUntilMs / 1000.0 : musicSeconds;

    DroppingSink drawOnly(false, until);
    const Cost drawing = Measure([&] { RunShow(drawOnly, width, height); });
    DroppingSink readBack(true, until);
    const Cost reading = Measure([&] { RunShow(readBack, width, height); });

    TemporaryFolder folder;
    std::vector<std::string> arguments{"--size",
                                       std::to_string(width) + "x" + std::to_string(height),
                                       "--fps",
                                       std::to_string(fps),
                                       "--quiet",
                                       "--out",
                                       folder.File("capture.mp4")};
    if (until >= 0) {
        arguments.insert(arguments.end(), {"--until", std::to_string(until)});
    }
    const Cost whole = Measure([&] { RunCaptureProgram(arguments); });

    return {
        {"capture to H.264/AAC: time / music length", whole.wall / length, "",
         width >= 1024 ? Below(1) : Goal{}},
        {"  frames per second", length * fps / whole.wall, "", {}},
        {"  drawing only: time / music length", drawing.wall / length, "", {}},
        {"  drawing and read-back: time / music length", reading.wall / length, "", {}},
        {"  CPU time, drawing only", drawing.process, "s", {}},
        {"  CPU time, drawing and read-back", reading.process, "s", {}},
        {"  CPU time, capture process (draw, read, pipe)", whole.process, "s", {}},
        {"  CPU time, encoder (ffmpeg)", whole.children, "s", {}},
        {"  peak memory, drawing only (no frame read)", drawing.peakMiB, "MiB", {}},
        {"  peak memory, capture process (not ffmpeg)", whole.peakMiB, "MiB", {}},
    };
}

std::vector<Figure> CaptureAt640(const BenchOptions& options) {
    return CaptureAt(640, 480, options);
}

std::vector<Figure> CaptureAt1024(const BenchOptions& options) {
    return CaptureAt(1024, 768, options);
}

const bool registered =
    RegisterBenchmark("capture of the whole show, 640x480 at 60 fps", CaptureAt640) &&
    RegisterBenchmark("capture of the whole show, 1024x768 at 60 fps", CaptureAt1024);

} // namespace
