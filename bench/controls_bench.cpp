// The makers' controls: a seek to the last second of the show, from the key to the frame it
// lands on; a start at that second against a start at the beginning; and the capture's
// first frame from there.

#include "child_run.h"
#include "harness.h"
#include "timed_show.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int lastSecondMs = 65000;

std::vector<Figure> Seek(const BenchOptions& options) {
    const int runs = options.quick ? 1 : 11;
    std::vector<double> seeks;
    std::vector<double> plainStarts;
    std::vector<double> lateStarts;
    const std::string late = "at-" + std::to_string(lastSecondMs);
    for (int run = 0; run < runs; ++run) {
        // Alternated, so that a busy moment of the machine weighs on both alike.
        const std::optional<TimedShow> plain = RunTimedShow("first-frame", 30000);
        const std::optional<TimedShow> at = RunTimedShow(late, 30000);
        const std::optional<TimedShow> seek =
            RunTimedShow("seek-" + std::to_string(lastSecondMs), 30000);
        if (!plain || !at || !seek) {
            return {{"the timed program did not run", 1, "", Exactly(0)}};
        }
        plainStarts.push_back(plain->MsTo("first frame presented"));
        lateStarts.push_back(at->MsTo("first frame presented"));
        seeks.push_back(seek->MsTo("seek presented") - seek->MsTo("seek key pressed"));
    }
    const double plainMedian = Percentile(plainStarts, 0.5);
    const double lateMedian = Percentile(lateStarts, 0.5);
    return {
        {"seek to " + std::to_string(lastSecondMs / 1000) +
             " s with Right: the key to the frame presented, median of " + std::to_string(runs),
         Percentile(seeks, 0.5), "ms", AtMost(300)},
        {"  slowest of those", Percentile(seeks, 1.0), "ms", {}},
        {"start-up to the first frame, median: plain", plainMedian, "ms", {}},
        {"  with --at " + std::to_string(lastSecondMs), lateMedian, "ms", {}},
        {"  the difference", lateMedian - plainMedian, "ms", AtMost(300)},
    };
}

// The one frame at the last second, to a fresh folder; the process's whole run bounds the
// time to its first frame.
std::vector<Figure> CaptureFrom(const BenchOptions& options) {
    const int runs = options.quick ? 1 : 5;
    const std::string folder = BenchFolder() + "/capture-from";
    const std::string at = std::to_string(lastSecondMs);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove_all(folder);
        const ChildRun capture = RunChild({TUVORAN_CAPTURE, "--png", folder, "--size", "640x480",
                                           "--from", at, "--until", at, "--quiet"},
                                          TUVORAN_SOURCE_DIR, -1, 60000);
        if (capture.exitCode != 0) {
            return {{"the capture did not run", 1, "", Exactly(0)}};
        }
        times.push_back((MonotonicNs() - capture.startedNs) / 1e6);
    }
    std::filesystem::remove_all(folder);
    return {{"capture --from " + at + " --until " + at +
                 " at 640x480: the process, start to end, median of " + std::to_string(runs),
             Percentile(times, 0.5), "ms", AtMost(1000)}};
}

const bool seek = RegisterBenchmark("makers' controls (live backend, 640x480)", Seek);
const bool captureFrom = RegisterBenchmark("capture from the last second", CaptureFrom);

} // namespace
