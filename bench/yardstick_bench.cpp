// The show's start-up beside a yardstick measured in the same run: a bare program that opens
// the same full-screen window and OpenGL context and presents one cleared frame, started
// alternately with the show. What the system, its window system and its OpenGL driver take
// is in both; the difference of the medians is the show's own share, whatever the machine.
// On Linux the yardstick is a bare SDL program; with a Windows build, tuvoran.exe's start-up
// under Wine is measured the same way against a bare Win32 program, and its frames and sizes
// beside the Linux program's.

#include "child_run.h"
#include "harness.h"
#include "support/process.h"
#include "timed_show.h"
#include "tuvoran_version.h"

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char presented[] = "first frame presented";
constexpr int startTimeoutMs = 60000;

struct Pair {
    std::vector<double> show;
    std::vector<double> yardstick;
};

// Each run from its process's start to the first frame on the screen, the two alternating.
Pair Alternate(int runs, const std::vector<std::string>& show,
               const std::vector<std::string>& yardstick) {
    Pair pair;
    for (int run = 0; run < runs; ++run) {
        const double showMs = MsToOutputLine(show, TUVORAN_SOURCE_DIR, presented, startTimeoutMs);
        const double yardstickMs =
            MsToOutputLine(yardstick, TUVORAN_SOURCE_DIR, presented, startTimeoutMs);
        if (showMs < 0.0 || yardstickMs < 0.0) {
            return {};
        }
        pair.show.push_back(showMs);
        pair.yardstick.push_back(yardstickMs);
    }
    return pair;
}

std::vector<Figure> Figures(const Pair& pair, const std::string& system,
                            const std::string& yardstick, const Goal& goal) {
    if (pair.show.empty()) {
        return {{"a run did not present its frame", 1, "", Exactly(0)}};
    }
    const std::string runs = std::to_string(pair.show.size());
    const double show = Percentile(pair.show, 0.5);
    const double bare = Percentile(pair.yardstick, 0.5);
    return {
        {system + ": the show to its first frame, median of " + runs, show, "ms", {}},
        {"  slowest of those", Percentile(pair.show, 1.0), "ms", {}},
        {system + ": " + yardstick + " to its frame, median of " + runs, bare, "ms", {}},
        {"  slowest of those", Percentile(pair.yardstick, 1.0), "ms", {}},
        {system + ": the show's own share (difference of the medians)", show - bare, "ms", goal},
    };
}

std::vector<Figure> LinuxYardstick(const BenchOptions& options) {
    const std::string notes = BenchFolder() + "/yardstick-notes.txt";
    return Figures(Alternate(options.quick ? 1 : 15, {TUVORAN_TIMED_RUN, "first-frame", notes},
                             {TUVORAN_SDL_YARDSTICK}),
                   "Linux", "a bare SDL program", {});
}

const bool linuxYardstick =
    RegisterBenchmark("start-up against a bare SDL yardstick", LinuxYardstick);

// The Windows build's, under Wine, when this build knows where it is.
const std::string windowsBuild = TUVORAN_WINDOWS_BUILD;

// Wine's own start varies by hundreds of milliseconds from run to run: more runs.
std::vector<Figure> WindowsYardstick(const BenchOptions& options) {
    const std::string notes = "Z:" + BenchFolder() + "/yardstick-notes.txt";
    return Figures(
        Alternate(options.quick ? 1 : 25,
                  {TUVORAN_WINE_RUN, windowsBuild + "/tuvoran-timed-run.exe", "first-frame", notes},
                  {TUVORAN_WINE_RUN, windowsBuild + "/tuvoran-win32-yardstick.exe"}),
        "Wine", "a bare Win32 program", AtMost(60));
}

std::vector<double> FrameTimesMs(const TimedShow& show) {
    std::vector<double> times;
    for (std::size_t i = 1; i < show.frames.size(); ++i) {
        times.push_back((show.frames[i].timeNs - show.frames[i - 1].timeNs) / 1e6);
    }
    return times;
}

// The same show's frames on the same machine: Wine's cost, recorded.
std::vector<Figure> WindowsFrames(const BenchOptions& options) {
    const std::string mode = options.quick ? "3" : "whole-show";
    const std::optional<TimedShow> native = RunTimedShow(mode, 180000);
    const std::optional<TimedShow> wine =
        RunTimedShowUnderWine(windowsBuild + "/tuvoran-timed-run.exe", mode, 180000);
    if (!native || !wine) {
        return {{"a timed run did not end well", 1, "", Exactly(0)}};
    }
    const std::vector<double> nativeTimes = FrameTimesMs(*native);
    const std::vector<double> wineTimes = FrameTimesMs(*wine);
    const double nativeMs = Percentile(nativeTimes, 0.5);
    const double wineMs = Percentile(wineTimes, 0.5);
    return {
        {"Linux: frame time, median", nativeMs, "ms", {}},
        {"  99th percentile", Percentile(nativeTimes, 0.99), "ms", {}},
        {"Wine: frame time, median", wineMs, "ms", {}},
        {"  99th percentile", Percentile(wineTimes, 0.99), "ms", {}},
        {"Wine's frame time / Linux's, medians", nativeMs > 0.0 ? wineMs / nativeMs : 0.0, "", {}},
    };
}

// Not a number where the file is missing, so that its goal is missed.
double Megabytes(const std::string& path) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(path, error);
    return error ? std::nan("") : static_cast<double>(bytes) / 1e6;
}

// The size of a file in a zip, as unzip lists it.
double MegabytesInZip(const std::string& zip, const std::string& name) {
    const CommandOutput listing = RunCommand("unzip -Z -l " + Quoted(zip) + " " + Quoted(name));
    std::istringstream fields(listing.text);
    std::string permissions;
    std::string version;
    std::string system;
    double bytes = 0.0;
    return listing.exitCode == 0 && fields >> permissions >> version >> system >> bytes
               ? bytes / 1e6
               : std::nan("");
}

std::vector<Figure> WindowsSizes(const BenchOptions& /*options*/) {
    const std::string zip = windowsBuild + "/tuvoran-" + TUVORAN_VERSION + "-windows-x64.zip";
    return {
        {"tuvoran.exe as built", Megabytes(windowsBuild + "/tuvoran.exe"), "MB", AtMost(4)},
        {"tuvoran.exe in the zip (stripped)", MegabytesInZip(zip, "tuvoran.exe"), "MB", AtMost(4)},
        {"the zip", Megabytes(zip), "MB", AtMost(4)},
    };
}

const bool windows = !windowsBuild.empty() &&
                     RegisterBenchmark("Windows: start-up under Wine against a bare Win32 "
                                       "yardstick",
                                       WindowsYardstick) &&
                     RegisterBenchmark("Windows: live frames under Wine beside Linux's "
                                       "(software GL, 640x480)",
                                       WindowsFrames) &&
                     RegisterBenchmark("Windows: sizes", WindowsSizes);

} // namespace
