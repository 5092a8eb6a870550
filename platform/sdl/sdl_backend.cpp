#include "platform/sdl/sdl_backend.h"

#include "platform/linux/system_audio.h"
#include "platform/live_backend.h"
#include "platform/pixel_formats.h"
#include "platform/posix/message_box_process.h"
#include "platform/process.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/steady_time.h"
#include "platform/window.h"

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

struct NativeWindow {
    SDL_Window* window = nullptr;
    std::string title;
    const IconImage* icon = nullptr;
    bool defaultPosition = true;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool fullscreen = false;
    int format = 0; // the pixel format the SDL window was made with
    // Asked for full screen: the backend chooses between full screen and a window for it,
    // and sets its viewport.
    bool showsView = false;
    int windowedWidth = 0; // its size as a window, kept while it is full screen
    int windowedHeight = 0;
    ViewRect viewport{0, 0, 0, 0};
    bool away = false; // a full-screen window out of the way while another has the focus
};

struct NativeContext {
    SDL_GLContext context = nullptr;
};

namespace {

// The format the program asks for; a window is made with it and remade only for another.
const PixelFormat usualFormat{32, 16, 0};

// SDL does not report what a driver buffers. The dummy driver plays one buffer while the
// next is asked for; sound servers and ALSA keep about two.
int BuffersInFlight() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && std::strcmp(driver, "dummy") == 0 ? 1 : 2;
}

void ApplyFormat(const PixelFormat& format) {
    const bool deep = format.colorBits > 16;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, deep ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, deep ? 8 : 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

SDL_Surface* IconSurface(const IconImage& icon) {
    return SDL_CreateRGBSurfaceFrom(const_cast<std::uint32_t*>(icon.pixels), icon.width,
                                    icon.height, 32, icon.width * 4, 0x00FF0000, 0x0000FF00,
                                    0x000000FF, 0xFF000000);
}

template <typename T>
typename std::vector<std::unique_ptr<T>>::iterator Find(std::vector<std::unique_ptr<T>>& records,
                                                        const T* record) {
    return std::find_if(records.begin(), records.end(),
                        [record](const auto& owned) { return owned.get() == record; });
}

bool IsViewSwitchKey(const SDL_Keysym& key) {
    const bool enter = key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER;
    return key.sym == SDLK_F11 || (enter && (key.mod & KMOD_ALT) != 0);
}

class SdlBackend final : public Backend {
public:
    explicit SdlBackend(const ViewOptions& viewOptions) : view(viewOptions) {}
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    ~SdlBackend() override {
        CloseAudio();
        if (audioReady) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        for (auto& context : contexts) {
            SDL_GL_DeleteContext(context->context);
        }
        for (auto& window : windows) {
            if (window->window != nullptr) {
                SDL_DestroyWindow(window->window);
            }
        }
        if (videoReady) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        SDL_Quit();
    }

    // Each call that can fail starts with SDL's error text cleared, so that FailureReason
    // gives the text of the failure met in it, or none.
    bool SetDisplayMode(int width, int height, int bits) override {
        SDL_ClearError();
        if (!EnsureVideo()) {
            return false;
        }
        const SDL_DisplayMode wanted{bits <= 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888,
                                     width, height, 0, nullptr};
        SDL_DisplayMode chosen{};
        if (SDL_GetClosestDisplayMode(0, &wanted, &chosen) == nullptr &&
            !NearestDisplayMode(wanted, &chosen)) {
            // A window needs no mode; full screen is then out of reach.
            if (!view.windowed) {
                return false;
            }
            chosen = SDL_DisplayMode{};
        }
        fullscreenMode = chosen;
        modeSet = true;
        return true;
    }

    void RestoreDisplayMode() override {
        modeSet = false;
        for (auto& window : windows) {
            if (window->fullscreen && window->window != nullptr) {
                SDL_SetWindowFullscreen(window->window, 0);
            }
        }
    }

    void SetCursorVisible(bool visible) override {
        cursorWanted = visible;
        ApplyCursor();
    }

    void SetScreenSaverAllowed(bool allowed) override {
        if (videoReady) {
            allowed ? SDL_EnableScreenSaver() : SDL_DisableScreenSaver();
        }
    }

    NativeWindow* CreateWindow(const NativeWindowDescription& description) override {
        SDL_ClearError();
        if (!EnsureVideo()) {
            return nullptr;
        }
        auto window = std::make_unique<NativeWindow>();
        window->title = description.title;
        window->icon = description.icon;
        window->defaultPosition = description.defaultPosition;
        window->x = description.x;
        window->y = description.y;
        window->showsView = description.fullscreen && modeSet;
        window->fullscreen = window->showsView && !view.windowed;
        window->width = window->fullscreen ? fullscreenMode.w : description.width;
        window->height = window->fullscreen ? fullscreenMode.h : description.height;
        window->windowedWidth = view.windowWidth;
        window->windowedHeight = view.windowHeight;
        if (window->showsView && !window->fullscreen) {
            window->width = view.windowWidth;
            window->height = view.windowHeight;
        }
        window->format = ClosestStandardPixelFormat(usualFormat);
        if (!MakeSdlWindow(*window)) {
            return nullptr;
        }
        windows.push_back(std::move(window));
        ApplyCursor();
        return windows.back().get();
    }

    bool DestroyWindow(NativeWindow* window) override {
        const auto found = Find(windows, window);
        if (found == windows.end()) {
            return false;
        }
        if (window->window != nullptr) {
            SDL_DestroyWindow(window->window);
        }
        if (window == currentWindow) {
            currentWindow = nullptr;
        }
        windows.erase(found);
        ApplyCursor();
        return true;
    }

    void ShowWindow(NativeWindow* window, bool visible) override {
        if (window->window != nullptr) {
            visible ? SDL_ShowWindow(window->window) : SDL_HideWindow(window->window);
        }
    }

    void RaiseWindow(NativeWindow* window) override {
        if (window->window != nullptr) {
            SDL_RaiseWindow(window->window);
        }
    }

    bool AcquireDeviceContext(NativeWindow* window) override {
        SDL_ClearError();
        return window->window != nullptr;
    }

    bool ReleaseDeviceContext(NativeWindow* /*window*/) override { return true; }

    int ChoosePixelFormat(const PixelFormat& wanted) override {
        return ClosestStandardPixelFormat(wanted);
    }

    // The visual of an X window is fixed when it is made, so another format remakes it;
    // the window is still hidden at this point of its life.
    bool SetPixelFormat(NativeWindow* window, int format) override {
        SDL_ClearError();
        if (format < 1 || format > StandardPixelFormatCount()) {
            return false;
        }
        if (format == window->format && window->window != nullptr) {
            return true;
        }
        if (window->window != nullptr) {
            SDL_DestroyWindow(window->window);
            window->window = nullptr;
        }
        window->format = format;
        return MakeSdlWindow(*window);
    }

    NativeContext* CreateContext(NativeWindow* window) override {
        SDL_ClearError();
        if (window->window == nullptr) {
            return nullptr;
        }
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
        SDL_GLContext context = SDL_GL_CreateContext(window->window);
        if (context == nullptr) {
            return nullptr;
        }
        // A new context is not current until asked for.
        SDL_GL_MakeCurrent(previousWindow, previousContext);
        contexts.push_back(std::make_unique<NativeContext>());
        contexts.back()->context = context;
        return contexts.back().get();
    }

    bool MakeCurrent(NativeWindow* window, NativeContext* context) override {
        SDL_ClearError();
        if (context == nullptr) {
            currentWindow = nullptr;
            return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
        }
        if (window == nullptr || window->window == nullptr ||
            SDL_GL_MakeCurrent(window->window, context->context) != 0) {
            return false;
        }
        // Present at the display's rate where the driver allows it; no cap of our own.
        SDL_GL_SetSwapInterval(1);
        currentWindow = window;
        window->viewport = ViewRect{0, 0, 0, 0};
        FitViewport(*window);
        return true;
    }

    bool DeleteContext(NativeContext* context) override {
        const auto found = Find(contexts, context);
        if (found == contexts.end()) {
            return false;
        }
        SDL_GL_DeleteContext(context->context);
        contexts.erase(found);
        return true;
    }

    void SwapBuffers(NativeWindow* window) override {
        if (window->window != nullptr) {
            SDL_GL_SwapWindow(window->window);
        }
        // The next frame is drawn to the window's size as it is now.
        if (window == currentWindow) {
            FitViewport(*window);
        }
    }

    bool PollEvent(NativeEvent* event) override {
        if (!videoReady) {
            return false;
        }
        SDL_Event sdlEvent;
        while (SDL_PollEvent(&sdlEvent) != 0) {
            if (Translate(sdlEvent, event)) {
                return true;
            }
        }
        // SDL goes on pulling from a lost device, but it no longer plays.
        const bool sdlAudioLost =
            audioDevice != 0 && SDL_GetAudioDeviceStatus(audioDevice) == SDL_AUDIO_STOPPED;
        if (sdlAudioLost || (systemAudio != nullptr && systemAudio->Lost())) {
            ReportAudioLost();
        }
        return false;
    }

    void WaitEvent(int timeoutMs) override {
        if (videoReady) {
            SDL_WaitEventTimeout(nullptr, timeoutMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        }
    }

    std::uint32_t Milliseconds() override { return SteadyMilliseconds(); }

    // A full-screen window would keep the box out of sight and the pointer grabbed, so it
    // steps aside first; a box is only shown when the run is about to end. Another process
    // draws the box, so that a signal does not wait for a click.
    bool ShowMessageBox(const char* caption, const char* text) override {
        for (auto& window : windows) {
            if (window->fullscreen && window->window != nullptr) {
                SDL_HideWindow(window->window);
            }
        }
        if (!InMessageBoxProcess()) {
            const BoxOutcome outcome = ShowMessageBoxInOwnProcess(caption, text);
            if (outcome != BoxOutcome::NoProcess) {
                return outcome != BoxOutcome::NotShown;
            }
        }
        return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0;
    }

    // The system's own sound service where it runs, which reports what its device holds;
    // SDL's audio where the user asked SDL for another driver, or no service answers.
    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        CloseAudio();
        SDL_ClearError();
        const char* driverAsked = std::getenv("SDL_AUDIODRIVER");
        std::string systemFailure;
        if (SystemAudioWanted(driverAsked)) {
            systemAudio = OpenSystemAudio(request, driverAsked, opened, &systemFailure);
            if (systemAudio != nullptr) {
                TakeAudioRequest(request);
                return true;
            }
        }
        if (!OpenSdlAudio(request, opened)) {
            const std::string sdlFailure = SDL_GetError();
            if (!systemFailure.empty()) {
                SDL_SetError("%s; SDL: %s", systemFailure.c_str(), sdlFailure.c_str());
            }
            return false;
        }
        TakeAudioRequest(request);
        return true;
    }

    void PauseAudio(bool paused) override {
        if (systemAudio != nullptr) {
            systemAudio->Pause(paused);
        } else if (audioDevice != 0) {
            SDL_PauseAudioDevice(audioDevice, paused ? 1 : 0);
        }
    }

    void CloseAudio() override {
        systemAudio.reset();
        if (audioDevice != 0) {
            SDL_CloseAudioDevice(audioDevice);
            audioDevice = 0;
        }
    }

    std::int64_t AudioNanoseconds() override { return SteadyNanoseconds(); }

    std::string AudioDeviceName() override {
        if (systemAudio != nullptr) {
            return systemAudio->Name();
        }
        const char* driver = SDL_GetCurrentAudioDriver();
        std::string name = driver != nullptr ? driver : "";
        char* device = nullptr;
        SDL_AudioSpec format{};
        if (SDL_GetDefaultAudioInfo(&device, &format, 0) == 0 && device != nullptr) {
            name += ": ";
            name += device;
            SDL_free(device);
        }
        return name;
    }

    std::string FailureReason() override { return SDL_GetError(); }

    // SDL follows where the window manager put the window, and gives its inside's corner.
    bool ShownView(ViewOptions* shown) override {
        const auto found = std::find_if(windows.begin(), windows.end(), [](const auto& window) {
            return window->showsView && window->window != nullptr;
        });
        if (found == windows.end()) {
            return false;
        }
        const NativeWindow& window = **found;
        *shown = view;
        shown->windowed = !window.fullscreen;
        shown->windowWidth = window.windowedWidth;
        shown->windowHeight = window.windowedHeight;
        if (shown->windowed) {
            SDL_GetWindowSize(window.window, &shown->windowWidth, &shown->windowHeight);
            SDL_GetWindowPosition(window.window, &shown->windowX, &shown->windowY);
            shown->placed = true;
        }
        return true;
    }

private:
    bool OpenSdlAudio(const AudioRequest& request, AudioDevice* opened) {
        SDL_AudioSpec wanted{};
        wanted.freq = request.rate;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = static_cast<Uint8>(request.channels);
        wanted.samples = static_cast<Uint16>(AudioPeriodFrames(request.rate));
        wanted.callback = OnAudio;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        if (EnsureAudio()) {
            // No changes allowed: SDL converts to whatever the hardware takes.
            audioDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        }
        if (audioDevice == 0) {
            return false;
        }
        *opened = {request.rate, request.channels, obtained.samples * BuffersInFlight(), true};
        return true;
    }

    void TakeAudioRequest(const AudioRequest& request) {
        audioPull = request.pull;
        audioLost = request.lost;
        audioUser = request.user;
        audioLossReported = false;
        audioFrameBytes = static_cast<int>(sizeof(float)) * request.channels;
    }

    static void OnAudio(void* self, Uint8* stream, int bytes) {
        const auto* backend = static_cast<SdlBackend*>(self);
        backend->audioPull(backend->audioUser, reinterpret_cast<float*>(stream),
                           bytes / backend->audioFrameBytes, -1);
    }

    void ReportAudioLost() {
        if (!audioLossReported && audioLost != nullptr) {
            audioLossReported = true;
            audioLost(audioUser);
        }
    }

    bool EnsureAudio() {
        if (!audioReady) {
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            audioReady = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        return audioReady;
    }

    bool EnsureVideo() {
        if (videoReady) {
            return true;
        }
        // Signals are the platform layer's own business.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // Focus changes of full-screen windows are handled here (FollowFocus).
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return false;
        }
        if (ShowsNothing(SDL_GetCurrentVideoDriver())) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            const char* display = std::getenv("DISPLAY");
            const bool named = display != nullptr && display[0] != '\0';
            SDL_SetError("no display server answers (DISPLAY %s%s)", named ? "is " : "is not set",
                         named ? display : "");
            return false;
        }
        videoReady = true;
        SDL_DisableScreenSaver();
        return true;
    }

    // Where no display server answers, SDL falls back on a driver that shows nothing: a show
    // that nobody sees would play to its end and report success. Unless asked for by name.
    static bool ShowsNothing(const char* driver) {
        const bool hidden = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                                  std::strcmp(driver, "dummy") == 0);
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        return hidden && (asked == nullptr || asked[0] == '\0');
    }

    // When no mode is at least as large as wanted, the one nearest in size.
    static bool NearestDisplayMode(const SDL_DisplayMode& wanted, SDL_DisplayMode* chosen) {
        const int count = SDL_GetNumDisplayModes(0);
        long bestDistance = -1;
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode mode{};
            if (SDL_GetDisplayMode(0, i, &mode) != 0) {
                continue;
            }
            const long distance = std::labs(static_cast<long>(mode.w) - wanted.w) +
                                  std::labs(static_cast<long>(mode.h) - wanted.h);
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                *chosen = mode;
            }
        }
        return bestDistance >= 0;
    }

    bool MakeSdlWindow(NativeWindow& window) {
        ApplyFormat(StandardPixelFormat(window.format));
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        int x = window.defaultPosition ? SDL_WINDOWPOS_UNDEFINED : window.x;
        int y = window.defaultPosition ? SDL_WINDOWPOS_UNDEFINED : window.y;
        if (window.fullscreen) {
            flags |= SDL_WINDOW_FULLSCREEN;
            x = y = SDL_WINDOWPOS_UNDEFINED_DISPLAY(0);
        } else if (window.showsView) {
            flags |= SDL_WINDOW_RESIZABLE;
            x = view.placed ? view.windowX : SDL_WINDOWPOS_CENTERED_DISPLAY(0);
            y = view.placed ? view.windowY : SDL_WINDOWPOS_CENTERED_DISPLAY(0);
        }
        window.window =
            SDL_CreateWindow(window.title.c_str(), x, y, window.width, window.height, flags);
        if (window.window == nullptr) {
            return false;
        }
        if (window.fullscreen) {
            SDL_SetWindowDisplayMode(window.window, &fullscreenMode);
        }
        if (window.icon != nullptr) {
            SDL_Surface* icon = IconSurface(*window.icon);
            if (icon != nullptr) {
                SDL_SetWindowIcon(window.window, icon);
                SDL_FreeSurface(icon);
            }
        }
        return true;
    }

    // Away from a full-screen show (Alt+Tab), the desktop has its own mode back and the
    // show steps out of the way; back on it, the show's mode returns. The show goes on
    // meanwhile. Done here rather than left to SDL, whose minimizing on focus loss hangs on
    // a hint whose default differs between versions, and whose return to full screen waits
    // for the window manager to report the window restored.
    void FollowFocus(NativeWindow& window, Uint8 change) {
        SDL_Window* sdlWindow = window.window;
        const Uint32 flags = SDL_GetWindowFlags(sdlWindow);
        const bool modeChanging = (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN;
        if (change == SDL_WINDOWEVENT_FOCUS_LOST && modeChanging && (flags & SDL_WINDOW_SHOWN)) {
            window.away = true;
            SDL_SetWindowFullscreen(sdlWindow, 0);
            SDL_MinimizeWindow(sdlWindow);
        } else if ((change == SDL_WINDOWEVENT_FOCUS_GAINED || change == SDL_WINDOWEVENT_RESTORED) &&
                   window.away && modeSet) {
            window.away = false;
            SDL_RestoreWindow(sdlWindow);
            SDL_SetWindowDisplayMode(sdlWindow, &fullscreenMode);
            SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN);
            SDL_RaiseWindow(sdlWindow);
        }
    }

    NativeWindow* FindBySdlId(Uint32 id) {
        SDL_Window* sdlWindow = SDL_GetWindowFromID(id);
        for (auto& window : windows) {
            if (window->window != nullptr && window->window == sdlWindow) {
                return window.get();
            }
        }
        return nullptr;
    }

    bool Translate(const SDL_Event& sdlEvent, NativeEvent* event) {
        switch (sdlEvent.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int key = VirtualKeyOf(sdlEvent.key.keysym.sym);
            NativeWindow* window = FindBySdlId(sdlEvent.key.windowID);
            if (key == 0 || window == nullptr) {
                return false;
            }
            if (window->showsView && IsViewSwitchKey(sdlEvent.key.keysym)) {
                if (sdlEvent.type == SDL_KEYDOWN && sdlEvent.key.repeat == 0) {
                    SwitchFullscreen(*window);
                }
                return false;
            }
            event->type =
                sdlEvent.type == SDL_KEYDOWN ? NativeEventType::KeyDown : NativeEventType::KeyUp;
            event->window = window;
            event->virtualKey = key;
            event->altDown = (sdlEvent.key.keysym.mod & KMOD_ALT) != 0 || key == VK_MENU;
            event->repeat = sdlEvent.key.repeat != 0;
            return true;
        }
        case SDL_WINDOWEVENT: {
            NativeWindow* window = FindBySdlId(sdlEvent.window.windowID);
            if (window != nullptr) {
                FollowFocus(*window, sdlEvent.window.event);
            }
            if (sdlEvent.window.event != SDL_WINDOWEVENT_CLOSE || window == nullptr) {
                return false;
            }
            *event = NativeEvent{NativeEventType::CloseRequest, window, 0, false, false};
            return true;
        }
        case SDL_AUDIODEVICEREMOVED:
            if (sdlEvent.adevice.iscapture == 0 && sdlEvent.adevice.which == audioDevice) {
                ReportAudioLost();
            }
            return false;
        default:
            return false;
        }
    }

    // The show's window between full screen in the show's mode and a window at the desktop's
    // mode, which SDL gives back when a full-screen window goes. The SDL window is remade
    // rather than switched in place: an X window only changes its size for a full-screen
    // request where a window manager obeys it. The context, with all the show has loaded,
    // moves to the new window.
    void SwitchFullscreen(NativeWindow& window) {
        const bool toFullscreen = !window.fullscreen;
        if (toFullscreen && (!modeSet || fullscreenMode.w <= 0)) {
            return;
        }
        if (toFullscreen) {
            SDL_GetWindowSize(window.window, &window.windowedWidth, &window.windowedHeight);
        }
        SDL_Window* previous = window.window;
        const NativeWindow previousState = window;
        const bool current = &window == currentWindow;
        SDL_GLContext context = SDL_GL_GetCurrentContext();
        window.fullscreen = toFullscreen;
        window.width = toFullscreen ? fullscreenMode.w : window.windowedWidth;
        window.height = toFullscreen ? fullscreenMode.h : window.windowedHeight;
        const bool made = MakeSdlWindow(window);
        if (!made || (current && SDL_GL_MakeCurrent(window.window, context) != 0)) {
            if (made) {
                SDL_DestroyWindow(window.window);
            }
            window = previousState;
            if (current) {
                SDL_GL_MakeCurrent(previous, context);
            }
            return;
        }
        SDL_ShowWindow(window.window);
        SDL_RaiseWindow(window.window);
        SDL_DestroyWindow(previous);
        ApplyCursor();
        if (current) {
            SDL_GL_SetSwapInterval(1);
            window.viewport = ViewRect{0, 0, 0, 0};
            FitViewport(window);
        }
    }

    // With the window's context current. A window always keeps the canvas's shape; full
    // screen stretches it unless asked to keep it.
    void FitViewport(NativeWindow& window) {
        if (!window.showsView) {
            return;
        }
        int width = 0;
        int height = 0;
        SDL_GL_GetDrawableSize(window.window, &width, &height);
        FollowCanvasViewport(&window.viewport, width, height,
                             !window.fullscreen || view.keepAspect);
    }

    // The program hides the pointer for full screen; over a window it stays in sight.
    void ApplyCursor() {
        if (!videoReady) {
            return;
        }
        const bool overWindow = std::any_of(windows.begin(), windows.end(), [](const auto& window) {
            return window->showsView && !window->fullscreen;
        });
        SDL_ShowCursor(cursorWanted || overWindow ? SDL_ENABLE : SDL_DISABLE);
    }

    const ViewOptions view;
    NativeWindow* currentWindow = nullptr;
    bool cursorWanted = true;
    bool videoReady = false;
    bool audioReady = false;
    SDL_AudioDeviceID audioDevice = 0;
    std::unique_ptr<SystemAudioOutput> systemAudio; // in place of SDL's audio where it opened
    AudioPull audioPull = nullptr;
    AudioLost audioLost = nullptr;
    bool audioLossReported = false;
    void* audioUser = nullptr;
    int audioFrameBytes = 1;
    bool modeSet = false;
    SDL_DisplayMode fullscreenMode{};
    std::vector<std::unique_ptr<NativeWindow>> windows;
    std::vector<std::unique_ptr<NativeContext>> contexts;
};

} // namespace

std::unique_ptr<Backend> CreateSdlBackend() {
    return CreateSdlBackend(ViewOptions{});
}

std::unique_ptr<Backend> CreateSdlBackend(const ViewOptions& view) {
    return std::make_unique<SdlBackend>(view);
}

std::unique_ptr<Backend> CreateLiveBackend(const ViewOptions& view) {
    return CreateSdlBackend(view);
}
