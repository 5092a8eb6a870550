#pragma once

// A backend with no native system behind it: windows and contexts are records, time is
// set by the test, the audio device takes samples only when the test pulls them, and any
// one primitive can be made to fail.

#include "platform/backend.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

// The fake's own records. The native handles it gives out are these, seen as the opaque
// NativeWindow and NativeContext: the live backend that every program links defines those
// two types, and a second definition would break the one-definition rule.
struct FakeWindow {
    NativeWindowDescription description;
    std::string title; // the description's title points into the caller's buffer
    bool shown = false;
    int format = 0;
};

struct FakeContext {
    FakeWindow* window = nullptr;
};

class FakeBackend : public Backend {
public:
    // Primitive names as in Backend; "ReleaseCurrent" is MakeCurrent with no context. A
    // primitive made to fail gives "<primitive> refused" as its reason, or none when
    // reasonsGiven is false.
    void FailOn(const std::string& primitive) { failing.insert(primitive); }
    void Heal() { failing.clear(); }

    bool SetDisplayMode(int width, int height, int bits) override;
    void RestoreDisplayMode() override;
    void SetCursorVisible(bool visible) override { cursorVisible = visible; }
    void SetScreenSaverAllowed(bool allowed) override { screenSaverAllowed = allowed; }
    NativeWindow* CreateWindow(const NativeWindowDescription& description) override;
    bool DestroyWindow(NativeWindow* window) override;
    void ShowWindow(NativeWindow* window, bool visible) override;
    void RaiseWindow(NativeWindow* /*window*/) override {}
    bool AcquireDeviceContext(NativeWindow* window) override;
    bool ReleaseDeviceContext(NativeWindow* window) override;
    int ChoosePixelFormat(const PixelFormat& wanted) override;
    bool SetPixelFormat(NativeWindow* window, int format) override;
    NativeContext* CreateContext(NativeWindow* window) override;
    bool MakeCurrent(NativeWindow* window, NativeContext* context) override;
    bool DeleteContext(NativeContext* context) override;
    void SwapBuffers(NativeWindow* /*window*/) override { ++swaps; }
    bool PollEvent(NativeEvent* event) override;
    void WaitEvent(int /*timeoutMs*/) override {}
    std::uint32_t Milliseconds() override { return time; }
    bool ShowMessageBox(const char* caption, const char* text) override;
    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override;
    void PauseAudio(bool paused) override { audioPaused = paused; }
    void CloseAudio() override { audioOpen = false; }
    std::int64_t AudioNanoseconds() override { return audioNanoseconds; }
    std::string FailureReason() override { return failure; }

    // The device takes frames frames, as a device does when it needs them; nothing while
    // closed or paused. The samples are kept in audioSamples.
    // queuedFrames: what the device reports it still holds; negative for a device that
    // reports nothing.
    void PullAudio(int frames, int queuedFrames = -1);
    // The device goes, as when it is unplugged.
    void LoseAudio();

    int LiveWindows() const { return static_cast<int>(windows.size()); }
    int LiveContexts() const { return static_cast<int>(contexts.size()); }
    // What the program still holds of the display, in words; empty when it gave all back.
    std::string DisplayLeftovers() const;
    const FakeWindow* LastWindow() const {
        return windows.empty() ? nullptr : windows.back().get();
    }
    // The handle the program holds for it, for the events the test sends to it.
    NativeWindow* LastWindowHandle() const;

    std::uint32_t time = 0;
    bool displayModeSet = false;
    int displayModeBits = 0;
    bool cursorVisible = true;
    bool screenSaverAllowed = false;
    bool contextCurrent = false;
    PixelFormat wantedFormat{};
    int swaps = 0;
    int messageBoxes = 0;
    std::vector<NativeEvent> events;
    bool reasonsGiven = true;

    // Audio: what the opened device reports, and what it has been given.
    int audioLatencyFrames = 0;
    bool audioRealTime = false;
    std::int64_t audioNanoseconds = 0;
    bool audioOpen = false;
    bool audioPaused = true;
    AudioRequest audioRequest{};
    std::vector<float> audioSamples;

private:
    bool Fails(const char* primitive);

    std::set<std::string> failing;
    std::string failure;
    std::vector<std::unique_ptr<FakeWindow>> windows;
    std::vector<std::unique_ptr<FakeContext>> contexts;
};

// Makes a backend current for the life of the object.
class ScopedBackend {
public:
    explicit ScopedBackend(Backend& backend);
    ~ScopedBackend();
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;
};
