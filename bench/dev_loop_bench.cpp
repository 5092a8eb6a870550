// The makers' live loop (make dev) on a copy of the tree: the time from saving a change to its
// frame on the screen. A one-line change of the timeline (a credit moved) is built and linked,
// the show started again at its moment; a picture replaced in data/ only starts it again. The
// change is linked both ways: with lld, as make dev links, and with the compiler's own linker.

#include "harness.h"
#include "support/process.h"
#include "support/test_files.h"
#include "support/tree_copy.h"
#include "support/x_window.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int timeoutMs = 60000;

// The picture that the window shows; empty while there is none.
WindowPicture Screen() {
    unsigned long window = 0;
    return FindShownWindow("Tuvoran", &window) ? GrabWindow(window) : WindowPicture{};
}

// A change of one credit or one picture, not a window still black: some pixels differ, most
// do not.
bool ShowsAChangeOf(const WindowPicture& now, const WindowPicture& before) {
    if (now.pixels.size() != before.pixels.size() || now.pixels.empty()) {
        return false;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < now.pixels.size(); ++i) {
        differing += now.pixels[i] != before.pixels[i] ? 1 : 0;
    }
    return differing > 0 && differing < now.pixels.size() / 5;
}

// Seconds from the save to the first grab that shows its change; -1 when none came.
template <typename SaveChange>
double SecondsToFrame(SaveChange save) {
    const WindowPicture before = Screen();
    const Clock::time_point start = Clock::now();
    save();
    while (Clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
        if (ShowsAChangeOf(Screen(), before)) {
            return std::chrono::duration<double>(Clock::now() - start).count();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1.0;
}

// The loop's show, settled on its first frame.
bool WaitForShow() {
    if (!WaitUntil([] { return !Screen().pixels.empty(); }, timeoutMs)) {
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    return true;
}

std::vector<Figure> DevLoop(const BenchOptions& options) {
    const int samples = options.quick ? 1 : 5;
    TemporaryFolder folder;
    const fs::path tree = fs::path(folder.Path()) / "tree";
    const std::string made = CopyTreeWithBuild(
        TUVORAN_SOURCE_DIR, fs::path(TUVORAN_PROGRAM).parent_path().string(), tree.string());
    if (!made.empty()) {
        std::fprintf(stderr, "dev loop: %s\n", made.c_str());
        return {};
    }
    const std::string timelinePath = (tree / "demo/timeline.cpp").string();
    const std::string timeline = ReadText(timelinePath);
    const std::string code = ReadText((tree / "data/code.jpg").string());
    const std::string kurne = ReadText((tree / "data/kurne.jpg").string());
    int moves = 0;

    // The credit moved by another 10 pixels each time, so that every save is a change.
    const auto move = [&] {
        const std::string x = std::to_string(110 + 10 * moves++) + ".0f";
        SaveText(timelinePath, Replaced(timeline, "codeSprite, 100.0f", "codeSprite, " + x));
    };
    // The build alone, without the loop: where the time goes.
    const auto build = [&] {
        const std::string command =
            "cmake --build '" + (tree / "build-dev").string() + "' --target tuvoran > /dev/null";
        RunCommand(command);
        std::vector<double> seconds;
        for (int i = 0; i < samples; ++i) {
            move();
            const Clock::time_point start = Clock::now();
            RunCommand(command);
            seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        return Percentile(seconds, 0.5);
    };
    const auto credits = [&](const std::string& linker) {
        RunCommand("cd '" + tree.string() + "' && cmake --preset dev -DTUVORAN_LINKER=" + linker +
                   " > /dev/null");
        const double buildSeconds = build();
        ChildProcess loop({"/bin/sh", "-c",
                           "exec make dev LINKER=" + linker +
                               " AT=20000 PAUSE=1 ARGS=--window=320x240 > /dev/null"},
                          {}, tree.string());
        std::vector<double> seconds;
        if (WaitForShow()) {
            for (int i = 0; i < samples; ++i) {
                seconds.push_back(SecondsToFrame(move));
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
            }
        }
        EndWithEscape(loop, timeoutMs);
        return std::make_pair(seconds, buildSeconds);
    };
    const auto [withLld, buildWithLld] = credits("lld");
    std::vector<double> withDefault;
    double buildWithDefault = 0.0;
    if (!options.quick) {
        std::tie(withDefault, buildWithDefault) = credits("bfd");
    }

    ChildProcess loop(
        {"/bin/sh", "-c", "exec make dev AT=20000 PAUSE=1 ARGS=--window=320x240 > /dev/null"}, {},
        tree.string());
    std::vector<double> pictures;
    if (WaitForShow()) {
        for (int i = 0; i < samples; ++i) {
            pictures.push_back(SecondsToFrame(
                [&] { SaveText((tree / "data/code.jpg").string(), i % 2 == 0 ? kurne : code); }));
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }
    EndWithEscape(loop, timeoutMs);
    return {
        {"one-line change of demo/timeline.cpp, saved to its frame, lld: median",
         Percentile(withLld, 0.5), "s", AtMost(3)},
        {"  slowest", Percentile(withLld, 1.0), "s", {}},
        {"  of which the build alone (cmake --build after the same save), median",
         buildWithLld,
         "s",
         {}},
        {"  the same with the compiler's own linker (GNU ld): median",
         Percentile(withDefault, 0.5),
         "s",
         {}},
        {"  of which the build alone, median", buildWithDefault, "s", {}},
        {"a picture replaced in data/, saved to its frame: median", Percentile(pictures, 0.5), "s",
         AtMost(1)},
        {"  slowest", Percentile(pictures, 1.0), "s", {}},
    };
}

const bool registered = RegisterBenchmark("make dev: a save to its frame on the screen", DevLoop);

} // namespace
