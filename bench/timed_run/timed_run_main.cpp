// The program itself, run as its main runs it on the live backend, with a backend in between
// that notes when the start-up passes its landmarks and when each frame is presented. The
// benchmarks start it as a child; what it noted goes to a file once the run is over, so
// that writing it costs the run nothing. The Windows build has one too, run under Wine.
//
//   tuvoran-timed-run MODE FILE
//     MODE: first-frame (closes the window once one frame is presented), whole-show (runs
//     to the end of the music), a number of seconds of music after which it closes,
//     at-MS (the first frame of a show started at MS), or seek-MS (started paused 5 s
//     before MS, Right is pressed once a few frames are up: the frame it lands on ends it).

#include "app/run_demo.h"
#include "app/show_controls.h"
#include "platform/backend.h"
#include "platform/live_backend.h"
#include "platform/process.h"
#include "platform/window.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Landmark {
    const char* name;
    std::int64_t time;
};

struct Frame {
    std::int64_t time;      // when the frame had been presented
    std::int64_t handedOut; // audio frames the device had taken by then
};

// Frames presented before the seek's key is pressed.
constexpr std::size_t framesBeforeSeek = 5;

class TimedBackend final : public Backend {
public:
    TimedBackend(Backend& live, int closeAfterMs, bool seeking)
        : live(live), closeAfterMs(closeAfterMs), seeking(seeking) {
        landmarks.reserve(32);
        frames.reserve(1 << 16);
    }

    void Mark(const char* name) { landmarks.push_back({name, Now()}); }

    bool SetDisplayMode(int width, int height, int bits) override {
        Mark("display mode asked");
        const bool set = live.SetDisplayMode(width, height, bits);
        Mark("display mode set");
        return set;
    }
    void RestoreDisplayMode() override { live.RestoreDisplayMode(); }
    void SetCursorVisible(bool visible) override { live.SetCursorVisible(visible); }
    void SetScreenSaverAllowed(bool allowed) override { live.SetScreenSaverAllowed(allowed); }
    NativeWindow* CreateWindow(const NativeWindowDescription& description) override {
        NativeWindow* window = live.CreateWindow(description);
        Mark("window made");
        return window;
    }
    bool DestroyWindow(NativeWindow* window) override { return live.DestroyWindow(window); }
    void ShowWindow(NativeWindow* window, bool visible) override {
        live.ShowWindow(window, visible);
        if (visible) {
            Mark("window shown");
        }
    }
    void RaiseWindow(NativeWindow* window) override {
        live.RaiseWindow(window);
        Mark("window raised");
    }
    bool AcquireDeviceContext(NativeWindow* window) override {
        return live.AcquireDeviceContext(window);
    }
    bool ReleaseDeviceContext(NativeWindow* window) override {
        return live.ReleaseDeviceContext(window);
    }
    int ChoosePixelFormat(const PixelFormat& wanted) override {
        return live.ChoosePixelFormat(wanted);
    }
    bool SetPixelFormat(NativeWindow* window, int format) override {
        return live.SetPixelFormat(window, format);
    }
    NativeContext* CreateContext(NativeWindow* window) override {
        NativeContext* context = live.CreateContext(window);
        Mark("context made");
        return context;
    }
    bool MakeCurrent(NativeWindow* window, NativeContext* context) override {
        const bool made = live.MakeCurrent(window, context);
        if (context != nullptr) {
            Mark("context current");
        }
        return made;
    }
    bool DeleteContext(NativeContext* context) override { return live.DeleteContext(context); }
    void SwapBuffers(NativeWindow* window) override {
        if (frames.empty()) {
            Mark("first frame drawn");
        }
        live.SwapBuffers(window);
        frames.push_back({Now(), handedOut.load()});
        if (frames.size() == 1) {
            Mark("first frame presented");
            // Told at once to a parent that cannot read this process's clock (under Wine).
            std::puts("first frame presented");
            std::fflush(stdout);
        }
        const std::int64_t heardMs =
            (frames.back().handedOut - latencyFrames) * 1000 / (audioRate > 0 ? audioRate : 1);
        if (seekPressed && !seekLanded) {
            seekLanded = true;
            Mark("seek presented");
        }
        closeAsked =
            closeAsked || seekLanded || (!seeking && closeAfterMs == 0) || heardMs >= closeAfterMs;
        shownWindow = window;
    }
    // The seek's key goes down and up in two looks at the queue, as from the keyboard.
    bool PollEvent(NativeEvent* event) override {
        if (closeAsked && !closeSent) {
            closeSent = true;
            *event = NativeEvent{NativeEventType::CloseRequest, shownWindow, 0, false, false};
            return true;
        }
        if (seeking && frames.size() >= framesBeforeSeek && keyState < 2) {
            if (keyState == 0) {
                Mark("seek key pressed");
                seekPressed = true;
            }
            *event = NativeEvent{keyState == 0 ? NativeEventType::KeyDown : NativeEventType::KeyUp,
                                 shownWindow, VK_RIGHT, false, false};
            ++keyState;
            return true;
        }
        return live.PollEvent(event);
    }
    void WaitEvent(int timeoutMs) override { live.WaitEvent(timeoutMs); }
    std::uint32_t Milliseconds() override { return live.Milliseconds(); }
    bool ShowMessageBox(const char* caption, const char* text) override {
        return live.ShowMessageBox(caption, text);
    }
    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        Mark("audio device asked");
        inner = request;
        const bool ready =
            live.OpenAudio({request.rate, request.channels, Pull, this, Lost}, opened);
        audioRate = opened->rate;
        latencyFrames = opened->latencyFrames;
        Mark("audio device open");
        return ready;
    }
    void PauseAudio(bool paused) override {
        if (!paused) {
            Mark("music started");
        }
        live.PauseAudio(paused);
    }
    void CloseAudio() override { live.CloseAudio(); }
    std::int64_t AudioNanoseconds() override { return live.AudioNanoseconds(); }
    std::string FailureReason() override { return live.FailureReason(); }

    bool Write(const char* path, std::int64_t started) const {
        std::FILE* file = std::fopen(path, "w");
        if (file == nullptr) {
            return false;
        }
        std::fprintf(file, "mark %lld main\n", static_cast<long long>(started));
        for (const Landmark& landmark : landmarks) {
            std::fprintf(file, "mark %lld %s\n", static_cast<long long>(landmark.time),
                         landmark.name);
        }
        for (const Frame& frame : frames) {
            const double heardMs =
                static_cast<double>(frame.handedOut - latencyFrames) * 1000.0 / audioRate;
            std::fprintf(file, "frame %lld %.3f\n", static_cast<long long>(frame.time),
                         heardMs < 0.0 ? 0.0 : heardMs);
        }
        return std::fclose(file) == 0;
    }

private:
    static void Lost(void* self) {
        const auto* timed = static_cast<TimedBackend*>(self);
        timed->inner.lost(timed->inner.user);
    }
    static void Pull(void* self, float* samples, int count, int queuedFrames) {
        auto* timed = static_cast<TimedBackend*>(self);
        timed->inner.pull(timed->inner.user, samples, count, queuedFrames);
        timed->handedOut += count;
    }

    Backend& live;
    int closeAfterMs;
    bool seeking;
    int keyState = 0; // 0 up, 1 pressed, 2 released
    bool seekPressed = false;
    bool seekLanded = false;
    AudioRequest inner{};
    std::atomic<std::int64_t> handedOut{0};
    int audioRate = 0;
    int latencyFrames = 0;
    bool closeAsked = false;
    bool closeSent = false;
    NativeWindow* shownWindow = nullptr;
    std::vector<Landmark> landmarks;
    std::vector<Frame> frames;
};

} // namespace

int main(int argc, char** argv) {
    const std::int64_t started = Now();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s first-frame|whole-show|SECONDS FILE\n", argv[0]);
        return 2;
    }
    int closeAfterMs = 0;
    bool seeking = false;
    const std::string mode = argv[1];
    ShowControlOptions controls;
    if (mode == "whole-show") {
        closeAfterMs = 1 << 30;
    } else if (mode.rfind("at-", 0) == 0) {
        controls.startMs = std::atoi(argv[1] + 3);
    } else if (mode.rfind("seek-", 0) == 0) {
        controls.startMs = std::max(0, std::atoi(argv[1] + 5) - ShowControls::seekStepMs);
        controls.paused = true;
        closeAfterMs = 1 << 30;
        seeking = true;
    } else if (mode != "first-frame") {
        closeAfterMs = std::atoi(argv[1]) * 1000;
    }
    SetShowControlOptions(controls);
    const auto live = CreateLiveBackend(ViewOptions{});
    TimedBackend timed(*live, closeAfterMs, seeking);
    // The program sees its own name alone: the default display mode.
    const int result = RunPlatform(1, argv, timed, WinMain);
    return timed.Write(argv[2], started) ? result : 1;
}
