// The start-up of the real program, from the process's start to its first presented frame,
// with where the time goes; and the loading stage's parts measured in this process.

#include "app/application.h"
#include "demo/scene.h"
#include "display/gl_display.h"
#include "gfx/decoded_picture.h"
#include "gfx/picture_decoding.h"
#include "gfx/sprite.h"
#include "harness.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sound.h"
#include "support/fake_backend.h"
#include "timed_show.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Phase {
    const char* name;
    const char* until; // the landmark that ends it; each begins where the one before ended
};

const Phase phases[] = {
    {"process start to main: loading the libraries", "main"},
    {"Application and scene objects", "audio device asked"},
    {"audio device open", "audio device open"},
    {"SDL video start-up", "display mode set"},
    {"window, with loading the GL driver", "window made"},
    {"GL context made current", "context current"},
    {"showing the full-screen window (SDL's wait)", "window shown"},
    {"font, scene loading, music open", "music started"},
    {"first frame drawn", "first frame drawn"},
    {"first frame presented", "first frame presented"},
};

std::vector<Figure> StartUp(const BenchOptions& options) {
    const int runs = options.quick ? 2 : 15;
    std::vector<double> totals;
    std::vector<std::vector<double>> lengths(std::size(phases));
    for (int run = 0; run < runs; ++run) {
        const std::optional<TimedShow> show = RunTimedShow("first-frame", 30000);
        if (!show) {
            return {{"the timed program did not run", 1, "", Exactly(0)}};
        }
        double from = 0.0;
        for (std::size_t i = 0; i < std::size(phases); ++i) {
            const double until = show->MsTo(phases[i].until);
            lengths[i].push_back(until - from);
            from = until;
        }
        totals.push_back(from);
    }
    std::vector<Figure> figures = {
        {"process start to first presented frame, median of " + std::to_string(runs),
         Percentile(totals, 0.5), "ms", AtMost(250)},
        {"  slowest of those", *std::max_element(totals.begin(), totals.end()), "ms", {}},
    };
    for (std::size_t i = 0; i < std::size(phases); ++i) {
        figures.push_back(
            {std::string("  ") + phases[i].name, Percentile(lengths[i], 0.5), "ms", {}});
    }
    return figures;
}

// Milliseconds that work takes, the median of rounds.
template <typename Work>
double MedianMs(int rounds, Work work) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    return Percentile(times, 0.5);
}

struct WorkingFolder {
    explicit WorkingFolder(const std::string& folder) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    std::filesystem::path previous;
};

std::vector<Figure> Decoding(const std::vector<PictureRequest>& requests, int rounds) {
    const double serial = MedianMs(rounds, [&requests] {
        for (const PictureRequest& request : requests) {
            DecodePicture(request.path, request.bpp, request.maskPath);
        }
    });
    const double parallel = MedianMs(rounds, [&requests] {
        PictureDecoding decoding(requests);
        for (std::size_t i = 0; i < requests.size(); ++i) {
            decoding.Take(i);
        }
    });
    return {
        {"decoding the " + std::to_string(requests.size()) + " pictures, one thread",
         serial,
         "ms",
         {}},
        {"decoding them on " + std::to_string(std::thread::hardware_concurrency()) +
             " cores, in load order",
         parallel,
         "ms",
         {}},
    };
}

double UploadMs(const std::vector<PictureRequest>& requests, int rounds) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::optional<DecodedPicture>> pictures;
        pictures.reserve(requests.size());
        for (const PictureRequest& request : requests) {
            pictures.push_back(DecodePicture(request.path, request.bpp, request.maskPath));
        }
        std::vector<Sprite> sprites(pictures.size());
        glFinish();
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            sprites[i].LoadDecoded(requests[i].path, std::move(pictures[i]));
        }
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        for (Sprite& sprite : sprites) {
            glDeleteTextures(1, &sprite.texture);
        }
    }
    return Percentile(times, 0.5);
}

// The loading stage on the live display, in this process, and its parts.
std::vector<Figure> Loading(const BenchOptions& options) {
    const int rounds = options.quick ? 1 : 20;
    const WorkingFolder folder(TUVORAN_SOURCE_DIR);
    const auto live = CreateSdlBackend();
    const ScopedBackend scope(*live);
    std::vector<Figure> figures;
    {
        Application application;
        application.RegisterWindowClass();
        GLDisplay& display = *application.CreateDisplay();
        if (display.Open(640, 480, 32, true) != 0) {
            UnregisterClassA(g_windowClassName, g_instance);
            return {{"no display", 1, "", Exactly(0)}};
        }
        const std::vector<PictureRequest> requests = ScenePictureRequests();
        figures = Decoding(requests, rounds);
        figures.push_back({"texture uploads of those", UploadMs(requests, rounds), "ms", {}});
        figures.push_back({"the whole loading stage (LoadScene)",
                           MedianMs(rounds,
                                    [] {
                                        Scene scene;
                                        Swarms swarms;
                                        TimelineValues values;
                                        LoadScene(scene, swarms, values);
                                        glFinish();
                                    }),
                           "ms",
                           {}});
        display.Close();
    }
    UnregisterClassA(g_windowClassName, g_instance);

    FSOUND_Init(44100, 32, 0);
    figures.push_back(
        {"opening the music",
         MedianMs(rounds, [] { FSOUND_Stream_OpenFile("data\\muzak.mp3", FSOUND_LOOP_OFF, 0); }),
         "ms",
         {}});
    FSOUND_Close();
    return figures;
}

const bool startUp =
    RegisterBenchmark("start-up of the real program (live backend, 640x480)", StartUp);
const bool loading = RegisterBenchmark("loading stage, in process", Loading);

} // namespace
