#include "platform/offscreen/offscreen_backend.h"

#include "platform/pixel_formats.h"
#include "platform/view.h"
#include "platform/virtual_clock.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The records behind the platform layer's native handles. NativeWindow and NativeContext
// stay undefined here: another backend linked into the same program defines them.
struct OffscreenWindow {
    int width = 0;
    int height = 0;
    int format = 0;
    EGLConfig config = nullptr;
    EGLSurface surface = EGL_NO_SURFACE;
};

struct OffscreenContext {
    EGLContext context = EGL_NO_CONTEXT;
};

OffscreenWindow* Record(NativeWindow* window) {
    return reinterpret_cast<OffscreenWindow*>(window);
}

OffscreenContext* Record(NativeContext* context) {
    return reinterpret_cast<OffscreenContext*>(context);
}

NativeWindow* Handle(OffscreenWindow* window) {
    return reinterpret_cast<NativeWindow*>(window);
}

NativeContext* Handle(OffscreenContext* context) {
    return reinterpret_cast<NativeContext*>(context);
}

// What the EGL library and its driver said about the calls on this thread since the last
// call began, through EGL_KHR_debug: Mesa tells there why a display did not start ("DRI2:
// failed to load driver"), which its error code alone does not.
thread_local std::vector<std::string> driverMessages;

void EGLAPIENTRY KeepDriverMessage(EGLenum /*error*/, const char* command, EGLint /*type*/,
                                   EGLLabelKHR /*thread*/, EGLLabelKHR /*object*/,
                                   const char* message) {
    // Mesa repeats the call's name as the message of the error it returns.
    if (message == nullptr || message[0] == '\0' ||
        (command != nullptr && std::strcmp(command, message) == 0)) {
        return;
    }
    if (std::find(driverMessages.begin(), driverMessages.end(), message) == driverMessages.end()) {
        driverMessages.emplace_back(message);
    }
}

// Once for the process, where the EGL library offers it; errors and critical messages only.
void ListenToDriver() {
    static bool listening = false;
    if (listening) {
        return;
    }
    listening = true;
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (extensions == nullptr ||
        (" " + std::string(extensions) + " ").find(" EGL_KHR_debug ") == std::string::npos) {
        return;
    }
    const auto control = reinterpret_cast<PFNEGLDEBUGMESSAGECONTROLKHRPROC>(
        eglGetProcAddress("eglDebugMessageControlKHR"));
    if (control != nullptr) {
        control(KeepDriverMessage, nullptr);
    }
}

std::string EglErrorName(EGLint error) {
    static const char* const names[] = {
        "EGL_SUCCESS",       "EGL_NOT_INITIALIZED",     "EGL_BAD_ACCESS",
        "EGL_BAD_ALLOC",     "EGL_BAD_ATTRIBUTE",       "EGL_BAD_CONFIG",
        "EGL_BAD_CONTEXT",   "EGL_BAD_CURRENT_SURFACE", "EGL_BAD_DISPLAY",
        "EGL_BAD_MATCH",     "EGL_BAD_NATIVE_PIXMAP",   "EGL_BAD_NATIVE_WINDOW",
        "EGL_BAD_PARAMETER", "EGL_BAD_SURFACE",         "EGL_CONTEXT_LOST"};
    const EGLint index = error - EGL_SUCCESS;
    if (index >= 0 && index < static_cast<EGLint>(std::size(names))) {
        return names[index];
    }
    char unknown[32];
    std::snprintf(unknown, sizeof(unknown), "EGL error 0x%04X", static_cast<unsigned>(error));
    return unknown;
}

template <typename T>
typename std::vector<std::unique_ptr<T>>::iterator Find(std::vector<std::unique_ptr<T>>& records,
                                                        const T* record) {
    return std::find_if(records.begin(), records.end(),
                        [record](const auto& owned) { return owned.get() == record; });
}

// Frames are read into one of two pixel-pack buffers and handed on a presentation later, so
// that the renderer finishes a frame and copies it out while the next one is being set up.
class FrameReader {
public:
    explicit FrameReader(CaptureSink& captureSink) : sink(captureSink) {}

    // With the window's context current.
    void Read(const OffscreenWindow& window, std::int64_t index, std::uint32_t timeMs) {
        const auto bytes = static_cast<GLsizeiptr>(window.width) * window.height * 4;
        if (buffers[0] == 0 || bytes != bufferBytes) {
            Release();
            glGenBuffers(2, buffers);
            for (const GLuint buffer : buffers) {
                glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
                glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
            }
            bufferBytes = bytes;
        }
        const GLuint buffer = buffers[next];
        next = 1 - next;
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glReadPixels(0, 0, window.width, window.height, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        glPopClientAttrib();
        Flush();
        pending = {index, timeMs, window.width, window.height, buffer};
        waiting = true;
    }

    // Hands on the frame still in a buffer; with its context current.
    void Flush() {
        if (!waiting) {
            return;
        }
        waiting = false;
        glBindBuffer(GL_PIXEL_PACK_BUFFER, pending.buffer);
        const auto* pixels = static_cast<const std::uint8_t*>(
            glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, bufferBytes, GL_MAP_READ_BIT));
        if (pixels != nullptr) {
            sink.TakeFrame({pending.index, pending.timeMs, pending.width, pending.height, pixels});
            glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
        }
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }

    // With the context current that made the buffers; after Flush.
    void Release() {
        if (buffers[0] != 0) {
            glDeleteBuffers(2, buffers);
            buffers[0] = buffers[1] = 0;
        }
    }

private:
    struct Pending {
        std::int64_t index;
        std::uint32_t timeMs;
        int width;
        int height;
        GLuint buffer;
    };

    CaptureSink& sink;
    GLuint buffers[2] = {0, 0};
    GLsizeiptr bufferBytes = 0;
    int next = 0;
    Pending pending{};
    bool waiting = false;
};

class OffscreenBackend final : public Backend {
public:
    OffscreenBackend(int framesPerSecond, CaptureSink& captureSink, bool keepCanvasShape,
                     std::int64_t firstFrame)
        : clock(framesPerSecond, firstFrame), sink(captureSink), reader(captureSink),
          keepAspect(keepCanvasShape) {}
    OffscreenBackend(const OffscreenBackend&) = delete;
    OffscreenBackend& operator=(const OffscreenBackend&) = delete;

    ~OffscreenBackend() override {
        if (display == EGL_NO_DISPLAY) {
            return;
        }
        ReleaseCurrent();
        for (auto& context : contexts) {
            eglDestroyContext(display, context->context);
        }
        for (auto& window : windows) {
            DestroySurface(*window);
        }
        eglTerminate(display);
        eglReleaseThread();
    }

    // Nothing to change: a full-screen window is simply made at the mode's size.
    bool SetDisplayMode(int width, int height, int /*bits*/) override {
        modeWidth = width;
        modeHeight = height;
        modeSet = true;
        return true;
    }

    void RestoreDisplayMode() override { modeSet = false; }
    void SetCursorVisible(bool /*visible*/) override {}
    void SetScreenSaverAllowed(bool /*allowed*/) override {}

    NativeWindow* CreateWindow(const NativeWindowDescription& description) override {
        auto window = std::make_unique<OffscreenWindow>();
        const bool fullscreen = description.fullscreen && modeSet;
        window->width = fullscreen ? modeWidth : description.width;
        window->height = fullscreen ? modeHeight : description.height;
        window->format = ClosestStandardPixelFormat({32, 16, 0});
        windows.push_back(std::move(window));
        return Handle(windows.back().get());
    }

    bool DestroyWindow(NativeWindow* handle) override {
        OffscreenWindow* window = Record(handle);
        const auto found = Find(windows, window);
        if (found == windows.end()) {
            return false;
        }
        if (window == currentWindow) {
            ReleaseCurrent();
        }
        DestroySurface(*window);
        windows.erase(found);
        return true;
    }

    void ShowWindow(NativeWindow* /*window*/, bool /*visible*/) override {}
    void RaiseWindow(NativeWindow* /*window*/) override {}
    bool AcquireDeviceContext(NativeWindow* /*window*/) override { return true; }
    bool ReleaseDeviceContext(NativeWindow* /*window*/) override { return true; }

    int ChoosePixelFormat(const PixelFormat& wanted) override {
        return ClosestStandardPixelFormat(wanted);
    }

    // The surface is made with the window's first context, in the format set by then.
    bool SetPixelFormat(NativeWindow* handle, int format) override {
        OffscreenWindow* window = Record(handle);
        if (format < 1 || format > StandardPixelFormatCount() ||
            window->surface != EGL_NO_SURFACE) {
            return false;
        }
        window->format = format;
        return true;
    }

    NativeContext* CreateContext(NativeWindow* handle) override {
        StartCall();
        OffscreenWindow* window = Record(handle);
        if (!EnsureDisplay() || !EnsureSurface(*window)) {
            return nullptr;
        }
        const EGLContext context =
            eglCreateContext(display, window->config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            Failed("eglCreateContext");
            return nullptr;
        }
        contexts.push_back(std::make_unique<OffscreenContext>());
        contexts.back()->context = context;
        return Handle(contexts.back().get());
    }

    bool MakeCurrent(NativeWindow* windowHandle, NativeContext* contextHandle) override {
        StartCall();
        if (contextHandle == nullptr) {
            return ReleaseCurrent();
        }
        OffscreenWindow* window = Record(windowHandle);
        OffscreenContext* context = Record(contextHandle);
        if (window == nullptr || window->surface == EGL_NO_SURFACE) {
            return false;
        }
        if (context != currentContext) {
            ReleaseCurrent();
        }
        if (eglMakeCurrent(display, window->surface, window->surface, context->context) !=
            EGL_TRUE) {
            return Failed("eglMakeCurrent");
        }
        currentWindow = window;
        currentContext = context;
        if (keepAspect) {
            ApplyCanvasViewport(window->width, window->height, true);
        }
        return true;
    }

    bool DeleteContext(NativeContext* handle) override {
        OffscreenContext* context = Record(handle);
        const auto found = Find(contexts, context);
        if (found == contexts.end()) {
            return false;
        }
        if (context == currentContext) {
            ReleaseCurrent();
        }
        eglDestroyContext(display, context->context);
        contexts.erase(found);
        return true;
    }

    // A presentation ends a frame of the capture: the frame is read back if wanted, then
    // the clock moves on one frame and the music up to the new time is pulled.
    void SwapBuffers(NativeWindow* handle) override {
        OffscreenWindow* window = Record(handle);
        const std::int64_t index = clock.Frames();
        if (capturing && window == currentWindow && sink.WantsFrame(index, clock.Milliseconds())) {
            reader.Read(*window, index, clock.Milliseconds());
        } else if (window == currentWindow) {
            // As a real presentation would: a frame nobody reads must still be drawn, or the
            // renderer queues the commands of every frame until the next read, gigabytes.
            glFlush();
        }
        clock.Advance();
        PullAudio();
        if (capturing && !sink.FrameDone(index)) {
            reader.Flush();
            capturing = false;
            closeWanted = true;
        }
    }

    // Once the capture has what it wants, its window is closed as the user would close it.
    bool PollEvent(NativeEvent* event) override {
        if (!closeWanted || windows.empty()) {
            return false;
        }
        closeWanted = false;
        *event = NativeEvent{NativeEventType::CloseRequest, Handle(windows.front().get()), 0, false,
                             false};
        return true;
    }

    void WaitEvent(int /*timeoutMs*/) override {}

    std::uint32_t Milliseconds() override { return clock.Milliseconds(); }

    // Never shown: the text has gone to standard error already.
    bool ShowMessageBox(const char* /*caption*/, const char* /*text*/) override { return false; }

    // A device that never plays: its pulls run inside SwapBuffers and may wait for the
    // decoder, and what it is handed is heard the moment a pull returns.
    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        audio = request;
        audioOpen = true;
        audioRunning = false;
        *opened = {request.rate, request.channels, 0, false};
        return true;
    }

    void PauseAudio(bool paused) override {
        if (!audioOpen || audioRunning != paused) {
            return;
        }
        audioRunning = !paused;
        if (audioRunning) {
            audioPulled = clock.AudioFramesDue(audio.rate);
            if (!audioStarted) {
                sink.StartAudio(audio.rate, audio.channels);
                audioStarted = true;
            }
        }
    }

    void CloseAudio() override {
        audioOpen = false;
        audioRunning = false;
    }

    std::int64_t AudioNanoseconds() override { return clock.Nanoseconds(); }

    std::string AudioDeviceName() override {
        return "none (the capture plays nothing: the music goes into its video)";
    }

    std::string FailureReason() override { return failure; }

private:
    void StartCall() {
        failure.clear();
        driverMessages.clear();
    }

    // The EGL call that failed, its error's name and what the driver said meanwhile:
    // "eglInitialize: EGL_NOT_INITIALIZED (DRI2: failed to load driver)".
    bool Failed(const char* call) {
        failure = std::string(call) + ": " + EglErrorName(eglGetError());
        for (std::size_t i = 0; i < driverMessages.size(); ++i) {
            failure += (i == 0 ? " (" : "; ") + driverMessages[i];
        }
        if (!driverMessages.empty()) {
            failure += ')';
        }
        return false;
    }

    bool EnsureDisplay() {
        if (display != EGL_NO_DISPLAY) {
            return true;
        }
        ListenToDriver();
        const EGLDisplay surfaceless =
            eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (surfaceless == EGL_NO_DISPLAY) {
            return Failed("eglGetPlatformDisplay");
        }
        EGLint major = 0;
        EGLint minor = 0;
        if (eglInitialize(surfaceless, &major, &minor) != EGL_TRUE) {
            return Failed("eglInitialize");
        }
        if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
            Failed("eglBindAPI");
            eglTerminate(surfaceless);
            return false;
        }
        display = surfaceless;
        return true;
    }

    // Eight bits a channel whatever the colour depth asked for, with alpha: Mesa reads such
    // a surface back as blue, green, red, alpha by copying it.
    EGLConfig ChooseConfig(const PixelFormat& format) const {
        const EGLint wanted[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_ALPHA_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 format.depthBits,
                                 EGL_STENCIL_SIZE,
                                 format.stencilBits,
                                 EGL_NONE};
        EGLint count = 0;
        if (eglChooseConfig(display, wanted, nullptr, 0, &count) != EGL_TRUE || count <= 0) {
            return nullptr;
        }
        std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
        eglChooseConfig(display, wanted, configs.data(), count, &count);
        // Deeper colour comes first in the list.
        for (const EGLConfig config : configs) {
            if (Attribute(config, EGL_RED_SIZE) == 8 && Attribute(config, EGL_GREEN_SIZE) == 8 &&
                Attribute(config, EGL_BLUE_SIZE) == 8) {
                return config;
            }
        }
        return nullptr;
    }

    EGLint Attribute(EGLConfig config, EGLint name) const {
        EGLint value = 0;
        eglGetConfigAttrib(display, config, name, &value);
        return value;
    }

    bool EnsureSurface(OffscreenWindow& window) {
        if (window.surface != EGL_NO_SURFACE) {
            return true;
        }
        window.config = ChooseConfig(StandardPixelFormat(window.format));
        if (window.config == nullptr) {
            failure = "eglChooseConfig: no OpenGL pbuffer configuration with 8 bits a channel";
            return false;
        }
        const EGLint size[] = {EGL_WIDTH, window.width, EGL_HEIGHT, window.height, EGL_NONE};
        window.surface = eglCreatePbufferSurface(display, window.config, size);
        return window.surface != EGL_NO_SURFACE || Failed("eglCreatePbufferSurface");
    }

    void DestroySurface(OffscreenWindow& window) {
        if (window.surface != EGL_NO_SURFACE) {
            eglDestroySurface(display, window.surface);
            window.surface = EGL_NO_SURFACE;
        }
    }

    // A frame still waiting to be read is handed on while its context is current.
    bool ReleaseCurrent() {
        if (currentContext != nullptr) {
            reader.Flush();
            reader.Release();
        }
        currentWindow = nullptr;
        currentContext = nullptr;
        return display == EGL_NO_DISPLAY ||
               eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
    }

    // Totals, not steps, so that no rounding accumulates.
    void PullAudio() {
        if (!audioRunning) {
            return;
        }
        const std::int64_t due = clock.AudioFramesDue(audio.rate) - audioPulled;
        if (due <= 0) {
            return;
        }
        samples.resize(static_cast<std::size_t>(due) * audio.channels);
        audio.pull(audio.user, samples.data(), static_cast<int>(due), -1);
        audioPulled += due;
        if (capturing) {
            sink.TakeAudio(samples.data(), static_cast<int>(due));
        }
    }

    VirtualClock clock;
    CaptureSink& sink;
    FrameReader reader;
    const bool keepAspect;
    bool capturing = true;
    bool closeWanted = false;

    EGLDisplay display = EGL_NO_DISPLAY;
    std::string failure; // FailureReason's text
    bool modeSet = false;
    int modeWidth = 0;
    int modeHeight = 0;
    std::vector<std::unique_ptr<OffscreenWindow>> windows;
    std::vector<std::unique_ptr<OffscreenContext>> contexts;
    OffscreenWindow* currentWindow = nullptr;
    OffscreenContext* currentContext = nullptr;

    AudioRequest audio{};
    bool audioOpen = false;
    bool audioRunning = false;
    bool audioStarted = false;
    std::int64_t audioPulled = 0;
    std::vector<float> samples;
};

} // namespace

std::unique_ptr<Backend> CreateOffscreenBackend(int framesPerSecond, CaptureSink& sink,
                                                bool keepAspect, std::int64_t firstFrame) {
    return std::make_unique<OffscreenBackend>(framesPerSecond, sink, keepAspect, firstFrame);
}
