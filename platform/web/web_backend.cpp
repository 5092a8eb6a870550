#include "platform/web/web_backend.h"

#include "platform/pixel_formats.h"
#include "platform/process_internal.h"
#include "platform/virtual_clock.h"
#include "platform/web/web_page.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <emscripten.h>

#include <cmath>
#include <optional>
#include <string>

struct NativeWindow {
    int width = 0;
    int height = 0;
};

struct NativeContext {};

namespace {

constexpr int stillFramesPerSecond = 60;
// A still's frames are not shown, so the browser gets a turn only now and then.
constexpr std::int64_t stillFramesPerTurn = 30;

// clang-format off
EM_JS(void, JsForgetContextObjects, (), {
    for (let i = 1; i < GL.textures.length; ++i) {
        if (GL.textures[i]) {
            GLctx.deleteTexture(GL.textures[i]);
            GL.textures[i] = null;
        }
    }
});

// The frames before a still are drawn only for what they leave behind (fades, swarms,
// the clock); an empty scissor box spares the renderer their pixels, which nobody sees.
EM_JS(void, JsSetScissorEmpty, (int empty), {
    if (empty) {
        GLctx.enable(GLctx.SCISSOR_TEST);
        GLctx.scissor(0, 0, 0, 0);
    } else {
        GLctx.disable(GLctx.SCISSOR_TEST);
    }
});

EM_ASYNC_JS(void, JsWaitForever, (), { await new Promise(() => {}); });

// A context that the browser took away and gave back has lost every object the emulation
// made in it: its buffers and its shaders are made again.
EM_JS(void, JsReviveEmulation, (), {
    if (Module.page.takeContextRestored()) {
        GLImmediate.init();
    }
});
// clang-format on

// A context made again on the page's one canvas is the same WebGL context; what the last run
// left in it goes, as it would with a new context.
void ResetRenderState(int width, int height) {
    JsForgetContextObjects();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glBlendFunc(GL_ONE, GL_ZERO);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDepthFunc(GL_LESS);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
}

class WebBackend final : public Backend {
public:
    WebBackend() : startMs(PageClockMs()) {}

    void BeginRun(const ShowStart& start) {
        still.reset();
        stillFrame = 0;
        frames = 0;
        moment = {start.startMs, start.paused, start.loop};
        if (start.stillMs >= 0) {
            still.emplace(stillFramesPerSecond);
            stillFrame = still->FrameAtOrAfter(start.stillMs);
            SetVirtualMusicMs(0);
        }
    }

    bool SetDisplayMode(int width, int height, int /*bits*/) override {
        return width > 0 && height > 0;
    }
    void RestoreDisplayMode() override {}
    void SetCursorVisible(bool visible) override { SetCursorShown(visible); }
    void SetScreenSaverAllowed(bool allowed) override { SetScreenKeptAwake(!allowed); }

    NativeWindow* CreateWindow(const NativeWindowDescription& description) override {
        if (window.has_value()) {
            return nullptr; // the page has one canvas
        }
        SetPageTitle(description.title != nullptr ? description.title : "");
        window.emplace(NativeWindow{description.width, description.height});
        return &*window;
    }

    bool DestroyWindow(NativeWindow* destroyed) override {
        if (!window.has_value() || destroyed != &*window) {
            return false;
        }
        window.reset();
        return true;
    }

    void ShowWindow(NativeWindow* /*window*/, bool /*visible*/) override {}
    void RaiseWindow(NativeWindow* /*window*/) override {}
    bool AcquireDeviceContext(NativeWindow* /*window*/) override { return true; }
    bool ReleaseDeviceContext(NativeWindow* /*window*/) override { return true; }

    int ChoosePixelFormat(const PixelFormat& wanted) override {
        return ClosestStandardPixelFormat(wanted);
    }

    bool SetPixelFormat(NativeWindow* /*window*/, int format) override {
        return format >= 1 && format <= StandardPixelFormatCount();
    }

    NativeContext* CreateContext(NativeWindow* target) override {
        if (context.has_value() || target == nullptr) {
            return nullptr;
        }
        if (!videoReady) {
            SDL_Init(SDL_INIT_VIDEO);
            SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
            SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
            videoReady = true;
        }
        if (SDL_SetVideoMode(target->width, target->height, 32, SDL_OPENGL) == nullptr) {
            return nullptr;
        }
        JsReviveEmulation();
        ResetRenderState(target->width, target->height);
        JsSetScissorEmpty(still.has_value() && stillFrame > 0 ? 1 : 0);
        context.emplace();
        return &*context;
    }

    bool MakeCurrent(NativeWindow* /*window*/, NativeContext* /*context*/) override { return true; }

    bool DeleteContext(NativeContext* deleted) override {
        if (!context.has_value() || deleted != &*context) {
            return false;
        }
        context.reset();
        return true;
    }

    void SwapBuffers(NativeWindow* /*window*/) override {
        ++frames;
        CountPresentedFrame(frames);
        if (!still.has_value()) {
            WaitForAnimationFrame();
            return;
        }
        if (still->Frames() == stillFrame) {
            ReportStillDrawn();
            JsWaitForever();
        }
        still->Advance();
        SetVirtualMusicMs(still->Milliseconds());
        if (still->Frames() == stillFrame) {
            JsSetScissorEmpty(0);
        }
        if (still->Frames() % stillFramesPerTurn == 0) {
            YieldToBrowser();
        }
    }

    bool PollEvent(NativeEvent* event) override {
        if (!window.has_value()) {
            return false;
        }
        const PageEvent taken = TakePageEvent();
        switch (taken.type) {
        case PageEventType::None:
            return false;
        case PageEventType::KeyDown:
        case PageEventType::KeyUp:
            *event = NativeEvent{taken.type == PageEventType::KeyDown ? NativeEventType::KeyDown
                                                                      : NativeEventType::KeyUp,
                                 &*window, taken.value, false, false};
            return true;
        case PageEventType::Seek:
            *event = NativeEvent{NativeEventType::Seek, &*window, 0, false, false, taken.value};
            return true;
        case PageEventType::Close:
            *event = NativeEvent{NativeEventType::CloseRequest, &*window, 0, false, false};
            return true;
        }
        return false;
    }

    void WaitEvent(int /*timeoutMs*/) override { WaitForAnimationFrame(); }

    // The page's clock stands while the page is hidden, so that the show, whose music the
    // page then suspends, takes up where it was.
    std::uint32_t Milliseconds() override {
        if (still.has_value()) {
            return still->Milliseconds();
        }
        return static_cast<std::uint32_t>(std::llround(PageClockMs() - startMs));
    }

    bool ShowMessageBox(const char* /*caption*/, const char* text) override {
        ReportFailure(text);
        return true;
    }

    // The music plays through the page's Web Audio, not through a sample device.
    bool OpenAudio(const AudioRequest& /*request*/, AudioDevice* /*opened*/) override {
        return false;
    }
    void PauseAudio(bool /*paused*/) override {}
    void CloseAudio() override {}

    std::int64_t AudioNanoseconds() override {
        if (still.has_value()) {
            return still->Nanoseconds();
        }
        return std::llround((PageClockMs() - startMs) * 1e6);
    }

    ShowMoment Moment() const { return moment; }

    // The browser writes why WebGL did not start to its own console; emscripten's SDL keeps
    // no text of it.
    std::string FailureReason() override { return {}; }

private:
    const double startMs;
    bool videoReady = false;
    std::optional<NativeWindow> window;
    std::optional<NativeContext> context;
    std::optional<VirtualClock> still;
    std::int64_t stillFrame = 0;
    int frames = 0;
    ShowMoment moment{0, false, false};
};

WebBackend* running = nullptr;

} // namespace

ShowMoment CurrentShowMoment() {
    return running != nullptr ? running->Moment() : ShowMoment{0, false, false};
}

std::optional<std::string> PageAudioLatencyText() {
    return PageLatencyText();
}

void RefuseWebShows(const std::string& why) {
    ReportFailure(why.c_str());
}

// The page never stops asking: a failed show's page waits for nothing more.
[[noreturn]] int RunWebShows(WinMainFunction winMain) {
    WebBackend backend;
    running = &backend;
    for (;;) {
        const ShowStart start = WaitForShowStart();
        ResetPlatformState();
        backend.BeginRun(start);
        std::string program = "tuvoran";
        std::string width = std::to_string(start.width);
        std::string height = std::to_string(start.height);
        std::string bits = "32";
        char* argv[] = {program.data(), width.data(), height.data(), bits.data(), nullptr};
        if (RunPlatform(4, argv, backend, winMain) != 0) {
            continue; // the program's message box has told the page
        }
        if (start.stillMs >= 0) {
            // The show ended before the still's time: as the capture says it.
            const std::string missed = "no frame at " + std::to_string(start.stillMs) +
                                       " ms: the show ended at " +
                                       std::to_string(backend.Milliseconds()) + " ms";
            ReportFailure(missed.c_str());
        } else {
            ReportShowEnded();
        }
    }
}
