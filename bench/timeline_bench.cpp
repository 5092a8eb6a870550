// The CPU cost of the show's busiest frames, without the GL driver's share, and the heap
// allocations of the main loop's work: the timeline on a backend whose GL calls do nothing.

#include "allocation_counter.h"
#include "app/application.h"
#include "demo/timeline.h"
#include "display/gl_display.h"
#include "harness.h"
#include "support/fake_backend.h"
#include "support/show_setup.h"

#include <chrono>
#include <vector>

namespace {

struct FrameCost {
    double medianMs;
    double worstMs;
    std::uint64_t allocations;
};

// Frames 16 ms apart across [from, to), each a whole pass of the loop's work but the music.
FrameCost MeasureFrames(int from, int to, int rounds) {
    FakeBackend backend;
    ScopedBackend scope(backend);
    Application application;
    application.RegisterWindowClass();
    GLDisplay& display = *application.CreateDisplay();
    display.Open(640, 480, 32, true);
    Scene scene;
    Swarms swarms;
    TimelineValues values;
    GiveSizes(scene, swarms);
    SetUpShowWithoutPictures(scene, swarms, values);
    Show show{display, application, scene, swarms, values};

    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds) * ((to - from) / 16 + 1));
    const std::uint64_t allocationsBefore = AllocationCount();
    for (int round = 0; round < rounds; ++round) {
        for (int t = from; t < to; t += 16) {
            const auto start = std::chrono::steady_clock::now();
            display.Clear();
            DrawTimeline(show, t);
            application.IsKeyDown(27);
            backend.time += 16;
            display.EndFrame();
            const auto end = std::chrono::steady_clock::now();
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    const std::uint64_t allocations = AllocationCount() - allocationsBefore;
    UnregisterClassA(g_windowClassName, g_instance);
    return {Percentile(times, 0.5), Percentile(times, 0.99), allocations};
}

std::vector<Figure> RunTimeline(const BenchOptions& options) {
    const int rounds = options.quick ? 1 : 20;
    const FrameCost credits = MeasureFrames(17000, 25000, rounds);
    const FrameCost orbits = MeasureFrames(39000, 40000, rounds * 8);
    std::vector<Figure> figures = {
        {"DrawTimeline, 17 to 25 s: median frame", credits.medianMs, "ms", AtMost(0.2)},
        {"DrawTimeline, 17 to 25 s: 99th percentile", credits.worstMs, "ms", AtMost(0.2)},
        {"DrawTimeline, 39 to 40 s: median frame", orbits.medianMs, "ms", AtMost(0.2)},
        {"DrawTimeline, 39 to 40 s: 99th percentile", orbits.worstMs, "ms", AtMost(0.2)},
    };
    if (AllocationsCounted()) {
        figures.push_back({"heap allocations in those frames",
                           static_cast<double>(credits.allocations + orbits.allocations), "",
                           Exactly(0)});
    }
    return figures;
}

const bool registered = RegisterBenchmark("timeline", RunTimeline);

} // namespace
