#pragma once

// The native services under the platform calls. One backend is current for the whole run:
// the live one over SDL2, the offscreen one for video capture, or a test's fake. The calls
// in window.h, gl_context.h, timer.h, dialog.h and sound.h keep the program's view of windows,
// messages, contexts and sounds and reach the native system only through this interface.

#include "platform/view.h"

#include <cstdint>
#include <string>

// An icon resource: 32 x 32 pixels, 0xAARRGGBB, rows from the top.
struct IconImage {
    int width;
    int height;
    const std::uint32_t* pixels;
};

// Owned and defined by each backend.
struct NativeWindow;
struct NativeContext;

struct NativeWindowDescription {
    const char* title;
    bool defaultPosition; // else at x, y
    int x;
    int y;
    int width; // client area
    int height;
    bool fullscreen;       // covers the screen in the mode set by SetDisplayMode
    const IconImage* icon; // null: the backend's default
    int iconResource;      // the icon's resource number, for a system that has the program's
                           // resources in its file; 0 for none
    const char* className; // the window class that the program registered
};

struct PixelFormat {
    int colorBits;
    int depthBits;
    int stencilBits;
};

// Seek: the backend's own control for the show's position was used (the web page's).
enum class NativeEventType { KeyDown, KeyUp, CloseRequest, Seek };

struct NativeEvent {
    NativeEventType type;
    NativeWindow* window;
    int virtualKey; // key events: the platform's virtual-key code
    bool altDown;
    bool repeat;
    int milliseconds = 0; // Seek: the music time to show
};

// Fills frames frames of interleaved 32-bit float samples at the device's rate and channels.
// queuedFrames: what the device reports that it still holds of earlier pulls, not yet heard,
// as the pull begins; negative where it cannot tell, and AudioDevice::latencyFrames stands.
using AudioPull = void (*)(void* user, float* samples, int frames, int queuedFrames);
// The device has gone (unplugged, its sound server ended): such pulls as still come no
// longer keep time. Called at most once per opened device, on the program's thread.
using AudioLost = void (*)(void* user);

struct AudioRequest {
    int rate;
    int channels;
    AudioPull pull;
    void* user;
    AudioLost lost;
};

struct AudioDevice {
    int rate;
    int channels;
    // Frames handed over by a pull but not yet heard, right after the pull returns: the
    // estimate for a device that does not report what it holds at each pull.
    int latencyFrames;
    // True for a device that plays as time goes: a pull must not wait for its samples.
    // False for one that takes samples on its own clock (capture): a pull may wait.
    bool realTime;
};

class Backend {
public:
    virtual ~Backend() = default;

    // The full-screen mode, taken by full-screen windows until RestoreDisplayMode.
    // False when no full-screen mode can be set at all.
    virtual bool SetDisplayMode(int width, int height, int bits) = 0;
    virtual void RestoreDisplayMode() = 0;
    virtual void SetCursorVisible(bool visible) = 0;
    virtual void SetScreenSaverAllowed(bool allowed) = 0;

    virtual NativeWindow* CreateWindow(const NativeWindowDescription& description) = 0;
    virtual bool DestroyWindow(NativeWindow* window) = 0;
    virtual void ShowWindow(NativeWindow* window, bool visible) = 0;
    virtual void RaiseWindow(NativeWindow* window) = 0;

    virtual bool AcquireDeviceContext(NativeWindow* window) = 0;
    virtual bool ReleaseDeviceContext(NativeWindow* window) = 0;
    // Index from 1 of the offered format closest to wanted; 0 when none fits.
    virtual int ChoosePixelFormat(const PixelFormat& wanted) = 0;
    virtual bool SetPixelFormat(NativeWindow* window, int format) = 0;
    virtual NativeContext* CreateContext(NativeWindow* window) = 0;
    // Null window and context release the current context.
    virtual bool MakeCurrent(NativeWindow* window, NativeContext* context) = 0;
    virtual bool DeleteContext(NativeContext* context) = 0;
    virtual void SwapBuffers(NativeWindow* window) = 0;

    virtual bool PollEvent(NativeEvent* event) = 0;
    // Blocks until an event may be waiting, or timeoutMs has passed.
    virtual void WaitEvent(int timeoutMs) = 0;

    virtual std::uint32_t Milliseconds() = 0;

    // False when no box can be shown (no display).
    virtual bool ShowMessageBox(const char* caption, const char* text) = 0;

    // One audio output device at a time, opened paused at the requested rate and channels.
    // The backend calls request.pull whenever the device takes samples, on a thread of its
    // own or on the program's. False when no device can be opened.
    virtual bool OpenAudio(const AudioRequest& request, AudioDevice* opened) = 0;
    virtual void PauseAudio(bool paused) = 0;
    // No pull is running or will run once this returns.
    virtual void CloseAudio() = 0;
    // Nanoseconds of the monotonic clock that the device's pulls keep time with.
    virtual std::int64_t AudioNanoseconds() = 0;
    // The open audio device as the system names it: its driver, and the output where the
    // system tells; empty where the backend cannot tell.
    virtual std::string AudioDeviceName() { return ""; }

    // The window that shows the view as it is now, as the options that would make it again:
    // a window with its size and place, or full screen. False where there is none, or the
    // backend cannot tell.
    virtual bool ShownView(ViewOptions* /*view*/) { return false; }

    // Why the last call that failed failed, in the native system's own words (its error
    // text, an error's name, what the driver said), so that the user learns what is missing;
    // empty where the backend cannot tell. Asked right after a call returned its failure.
    virtual std::string FailureReason() = 0;
};

void SetBackend(Backend* backend);
Backend& CurrentBackend();

// After a call of the current backend failed: its reason becomes the line below the message
// that the program shows for the failure, as the part that could not start.
void AdviseBackendFailure(const std::string& part);
