#pragma once

// The audio device on Windows: the multimedia system's wave output, fed 16-bit samples from a
// thread of its own whenever one of its buffers has been played. Each pull is told what the
// device still holds, from the device's own play position. Not for use outside
// platform/win32/.

#include "platform/backend.h"
#include "platform/win32/win32_windows.h"

#include <mmsystem.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class WaveOut {
public:
    WaveOut() = default;
    ~WaveOut();
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;

    // Opens the default device, paused; false with the system's reason in reason.
    bool Open(const AudioRequest& request, AudioDevice* opened, std::string* reason);
    void Pause(bool paused);
    // No pull runs once this returns.
    void Close();
    // True once after the device has refused samples (it is gone); then no pull comes.
    bool TakeLoss();
    // The device that the default output plays on, as the system names it.
    static std::string DeviceName();

private:
    struct Buffer {
        WAVEHDR header{};
        std::vector<std::int16_t> samples;
        bool queued = false;
    };

    void Feed();
    bool Refill(Buffer& buffer);
    // Frames written and not yet played; -1 where the device does not tell its position.
    int QueuedFrames();
    // Frames in the buffers written that the device has not yet given back.
    std::uint64_t Held() const;

    HWAVEOUT device = nullptr;
    HANDLE played = nullptr; // set by the device as each buffer is done, and to stop the thread
    AudioRequest request{};
    std::vector<Buffer> buffers;
    std::vector<float> pulled;
    std::atomic<bool> running{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> lost{false};
    bool lossTaken = false;
    // Since the device was opened: frames written, and the play position in the unit the
    // device reports it in (samples, or bytes), carried past its 32-bit wrap.
    std::uint64_t framesWritten = 0;
    std::uint64_t positionUnits = 0;
    DWORD lastPosition = 0;
    std::thread feeder;
};
