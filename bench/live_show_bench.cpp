// The real program across the show: the time between its presented frames, second by second
// of the music, on the live backend; and the most memory a whole run holds.

#include "child_run.h"
#include "harness.h"
#include "timed_show.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct SecondOfMusic {
    int second;
    double medianMs;
    double p99Ms;
    std::size_t frames;
};

// Each frame's time, from the frame before, counts in the second of music it ends in.
std::vector<SecondOfMusic> PerSecond(const std::vector<PresentedFrame>& frames,
                                     std::vector<double>* all) {
    std::map<int, std::vector<double>> bySecond;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const double ms = (frames[i].timeNs - frames[i - 1].timeNs) / 1e6;
        bySecond[static_cast<int>(frames[i].musicMs / 1000.0)].push_back(ms);
        all->push_back(ms);
    }
    std::vector<SecondOfMusic> seconds;
    seconds.reserve(bySecond.size());
    for (const auto& [second, times] : bySecond) {
        seconds.push_back({second, Percentile(times, 0.5), Percentile(times, 0.99), times.size()});
    }
    return seconds;
}

std::string WriteDetail(const std::vector<SecondOfMusic>& seconds) {
    std::string path = BenchFolder() + "/frame-times.txt";
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        return "";
    }
    std::fprintf(file, "# second of music, frames, median ms, 99th percentile ms\n");
    for (const SecondOfMusic& second : seconds) {
        std::fprintf(file, "%d %zu %.2f %.2f\n", second.second, second.frames, second.medianMs,
                     second.p99Ms);
    }
    std::fclose(file);
    return path;
}

std::vector<Figure> LiveFrames(const BenchOptions& options) {
    const std::optional<TimedShow> show = RunTimedShow(options.quick ? "3" : "whole-show", 180000);
    if (!show || show->frames.size() < 2) {
        return {{"the timed program did not run", 1, "", Exactly(0)}};
    }
    std::vector<double> all;
    const std::vector<SecondOfMusic> seconds = PerSecond(show->frames, &all);
    const auto worstMedian =
        std::max_element(seconds.begin(), seconds.end(),
                         [](const auto& a, const auto& b) { return a.medianMs < b.medianMs; });
    const auto worstP99 =
        std::max_element(seconds.begin(), seconds.end(),
                         [](const auto& a, const auto& b) { return a.p99Ms < b.p99Ms; });
    const std::string detail = WriteDetail(seconds);
    return {
        {"seconds of music played", static_cast<double>(seconds.size()), "", {}},
        {"frames presented", static_cast<double>(show->frames.size()), "", {}},
        {"frame time, median over the show", Percentile(all, 0.5), "ms", {}},
        {"frame time, 99th percentile over the show", Percentile(all, 0.99), "ms", {}},
        {"worst second's median (second " + std::to_string(worstMedian->second) + ")",
         worstMedian->medianMs,
         "ms",
         {}},
        {"worst second's 99th percentile (second " + std::to_string(worstP99->second) + ")",
         worstP99->p99Ms,
         "ms",
         {}},
        {"per second: " + (detail.empty() ? std::string("not written") : detail), 0, "", {}},
    };
}

std::vector<Figure> PeakMemory(const BenchOptions& options) {
    const ChildRun run =
        RunChild({TUVORAN_PROGRAM}, TUVORAN_SOURCE_DIR, options.quick ? 2000 : -1, 180000);
    if (run.exitCode != 0) {
        return {
            {"the program did not end well", static_cast<double>(run.exitCode), "", Exactly(0)}};
    }
    const double seconds = (MonotonicNs() - run.startedNs) / 1e9;
    return {
        {std::string("peak resident memory, ") + (options.quick ? "first 2 s" : "whole run"),
         run.peakResidentKiB / 1024.0, "MiB", AtMost(96)},
        {"length of that run", seconds, "s", {}},
    };
}

const bool frames =
    RegisterBenchmark("live frames of the real program (software GL, 640x480)", LiveFrames);
const bool memory = RegisterBenchmark("memory of the real program", PeakMemory);

} // namespace
