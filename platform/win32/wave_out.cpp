#include "platform/win32/wave_out.h"

#include "platform/win32/pcm_format.h"

// The mapper's preferred device.
#include <mmddk.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int bufferCount = 4;

// About 20 ms a buffer, as on the other systems.
int BufferFrames(int rate) {
    int frames = 256;
    while (frames < rate / 50 && frames < 8192) {
        frames *= 2;
    }
    return frames;
}

std::string ErrorText(MMRESULT result) {
    char text[MAXERRORLENGTH] = {};
    if (waveOutGetErrorTextA(result, text, sizeof(text)) != MMSYSERR_NOERROR) {
        return "error " + std::to_string(result);
    }
    return text;
}

std::int16_t ToSample(float value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

} // namespace

WaveOut::~WaveOut() {
    Close();
}

bool WaveOut::Open(const AudioRequest& wanted, AudioDevice* opened, std::string* reason) {
    Close();
    WAVEFORMATEX format = Pcm16Format(wanted.rate, wanted.channels);
    played = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const MMRESULT result =
        played != nullptr ? waveOutOpen(&device, WAVE_MAPPER, &format,
                                        reinterpret_cast<DWORD_PTR>(played), 0, CALLBACK_EVENT)
                          : MMSYSERR_NOMEM;
    if (result != MMSYSERR_NOERROR) {
        device = nullptr;
        *reason = "waveOutOpen: " + ErrorText(result);
        Close();
        return false;
    }
    // Nothing plays until the first buffers are written; the device waits for Pause(false).
    waveOutPause(device);
    request = wanted;
    const int frames = BufferFrames(wanted.rate);
    buffers.resize(bufferCount);
    for (Buffer& buffer : buffers) {
        buffer.samples.resize(static_cast<std::size_t>(frames) * wanted.channels);
        buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
        buffer.header.dwBufferLength = static_cast<DWORD>(buffer.samples.size() * 2);
        waveOutPrepareHeader(device, &buffer.header, sizeof(buffer.header));
    }
    pulled.resize(static_cast<std::size_t>(frames) * wanted.channels);
    framesWritten = 0;
    positionUnits = 0;
    lastPosition = 0;
    running = false;
    stopping = false;
    lost = false;
    lossTaken = false;
    feeder = std::thread([this] { Feed(); });
    // Right after a pull, the device holds that buffer and the others it was still playing.
    *opened = {wanted.rate, wanted.channels, frames * bufferCount, true};
    return true;
}

void WaveOut::Pause(bool paused) {
    if (device == nullptr) {
        return;
    }
    running = !paused;
    if (paused) {
        waveOutPause(device);
    } else {
        waveOutRestart(device);
        SetEvent(played);
    }
}

void WaveOut::Close() {
    if (feeder.joinable()) {
        stopping = true;
        SetEvent(played);
        feeder.join();
    }
    if (device != nullptr) {
        waveOutReset(device);
        for (Buffer& buffer : buffers) {
            waveOutUnprepareHeader(device, &buffer.header, sizeof(buffer.header));
        }
        waveOutClose(device);
        device = nullptr;
    }
    buffers.clear();
    if (played != nullptr) {
        CloseHandle(played);
        played = nullptr;
    }
}

bool WaveOut::TakeLoss() {
    if (lossTaken || !lost) {
        return false;
    }
    lossTaken = true;
    return true;
}

// Every buffer the device has done with is filled and written again, in order.
void WaveOut::Feed() {
    while (!stopping && !lost) {
        WaitForSingleObject(played, INFINITE);
        if (stopping || !running) {
            continue;
        }
        for (Buffer& buffer : buffers) {
            const bool free = !buffer.queued || (buffer.header.dwFlags & WHDR_DONE) != 0;
            if (free && !stopping && running && !Refill(buffer)) {
                lost = true;
                break;
            }
        }
    }
}

bool WaveOut::Refill(Buffer& buffer) {
    const int frames = static_cast<int>(pulled.size()) / request.channels;
    request.pull(request.user, pulled.data(), frames, QueuedFrames());
    std::transform(pulled.begin(), pulled.end(), buffer.samples.begin(), ToSample);
    buffer.header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
    buffer.queued = true;
    framesWritten += static_cast<std::uint64_t>(frames);
    return waveOutWrite(device, &buffer.header, sizeof(buffer.header)) == MMSYSERR_NOERROR;
}

// A paused device holds its position; only a reset (on closing) sets it back to 0, and it
// wraps at 2^32 units, after 27 hours at 44.1 kHz.
int WaveOut::QueuedFrames() {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device, &time, sizeof(time)) != MMSYSERR_NOERROR) {
        return -1;
    }
    std::uint64_t unitsPerFrame = 1;
    DWORD position = 0;
    if (time.wType == TIME_SAMPLES) {
        position = time.u.sample;
    } else if (time.wType == TIME_BYTES) {
        position = time.u.cb;
        unitsPerFrame = 2 * static_cast<std::uint64_t>(request.channels);
    } else {
        return -1;
    }
    positionUnits += static_cast<DWORD>(position - lastPosition);
    lastPosition = position;
    // A buffer that the device has not given back has not been played, whatever the position
    // says (Wine's counts what it has taken into its own buffers).
    const std::uint64_t played = std::min(positionUnits / unitsPerFrame, framesWritten - Held());
    return static_cast<int>(std::min<std::uint64_t>(framesWritten - played, INT_MAX));
}

std::uint64_t WaveOut::Held() const {
    const auto frames = static_cast<std::uint64_t>(pulled.size()) / request.channels;
    return frames * static_cast<std::uint64_t>(
                        std::count_if(buffers.begin(), buffers.end(), [](const Buffer& buffer) {
                            return buffer.queued && (buffer.header.dwFlags & WHDR_DONE) == 0;
                        }));
}

std::string WaveOut::DeviceName() {
    // The mapper plays on the device that the system prefers.
    DWORD preferred = 0;
    DWORD status = 0;
    UINT device = WAVE_MAPPER;
    if (waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                       DRVM_MAPPER_PREFERRED_GET, reinterpret_cast<DWORD_PTR>(&preferred),
                       reinterpret_cast<DWORD_PTR>(&status)) == MMSYSERR_NOERROR) {
        device = preferred;
    }
    WAVEOUTCAPSA capabilities{};
    if (waveOutGetDevCapsA(device, &capabilities, sizeof(capabilities)) != MMSYSERR_NOERROR) {
        return "";
    }
    return capabilities.szPname;
}
