// The sound output of the backends with an audio device: each stream decoded on a thread of
// its own, and the device's pulls taking from the stream that plays.

#include "platform/backend.h"
#include "platform/failure_advice.h"
#include "platform/frame_timing.h"
#include "platform/sound.h"
#include "platform/sound_output.h"
#include "platform/sound_stream.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

constexpr int deviceChannels = 2;

class DeviceOutput;

class DeviceStream final : public OutputStream {
public:
    DeviceStream(DeviceOutput& owner, std::unique_ptr<AudioFile> file, StreamEndHeard ended,
                 void* user)
        : output(owner), stream(std::move(file), ended, user) {}

    int Play() override;
    double PositionMs() override;
    double LatencyMs() override { return stream.LatencyMs(); }
    void SetPaused(bool paused) override;
    bool Paused() override { return stream.Paused(); }
    void Seek(int ms) override;
    double LengthMs() override {
        const std::int64_t frames = stream.LengthFrames();
        return frames < 0 ? -1.0 : static_cast<double>(frames) * 1000.0 / stream.Rate();
    }

    SoundStream& Stream() { return stream; }

private:
    DeviceOutput& output;
    SoundStream stream;
};

// Written by the program's thread; a pull reads it, and an end callback may play again.
class DeviceOutput final : public SoundOutput {
public:
    bool Open(int mixRate) override {
        backend = &CurrentBackend();
        return OpenDevice(mixRate, deviceChannels);
    }

    void Close() override {
        if (backend != nullptr) {
            CloseDevice();
        }
        backend = nullptr;
    }

    std::string Advice() const override { return advice; }

    std::unique_ptr<OutputStream> OpenStream(const std::string& path, StreamEndHeard ended,
                                             void* user, AudioFileError* error) override {
        std::unique_ptr<AudioFile> file = OpenAudioFile(path, error);
        if (file == nullptr) {
            return nullptr;
        }
        return std::make_unique<DeviceStream>(*this, std::move(file), ended, user);
    }

    int Play(SoundStream& stream) {
        if (!DeviceFor(stream)) {
            return insidePull ? FSOUND_ERR_PLAY : FSOUND_ERR_INIT;
        }
        {
            const std::lock_guard<std::mutex> lock(playingMutex);
            stream.Start(device, backend->AudioNanoseconds(), deviceLost);
            playing = &stream;
        }
        if (!deviceRunning) {
            backend->PauseAudio(false);
            deviceRunning = true;
        }
        return FSOUND_ERR_NONE;
    }

    double PositionMs(SoundStream& stream) {
        if (backend == nullptr) {
            return 0.0;
        }
        const std::int64_t ahead = device.realTime ? PictureAheadNanoseconds() : 0;
        return stream.PositionMs(backend->AudioNanoseconds(), ahead);
    }

    // Once these return, no pull reports an end from before them.
    void SetPaused(SoundStream& stream, bool paused) {
        const std::lock_guard<std::recursive_mutex> lock(reportMutex);
        if (backend != nullptr) {
            stream.SetPaused(paused, backend->AudioNanoseconds());
        }
    }

    void Seek(SoundStream& stream, std::int64_t frame) {
        const std::lock_guard<std::recursive_mutex> lock(reportMutex);
        if (backend != nullptr) {
            stream.Seek(frame, backend->AudioNanoseconds());
        }
    }

private:
    static void Pull(void* user, float* samples, int frames, int queuedFrames) {
        static_cast<DeviceOutput*>(user)->OnPull(samples, frames, queuedFrames);
    }

    static void Lost(void* user) { static_cast<DeviceOutput*>(user)->OnLost(); }

    void OnPull(float* samples, int frames, int queuedFrames) {
        const std::lock_guard<std::recursive_mutex> reporting(reportMutex);
        insidePull = true;
        const std::int64_t now = backend->AudioNanoseconds();
        SoundStream* stream = nullptr;
        bool ended = false;
        {
            const std::lock_guard<std::mutex> lock(playingMutex);
            stream = playing;
            if (stream != nullptr) {
                ended = stream->Fill(samples, frames, now, queuedFrames);
            } else {
                std::fill(samples, samples + static_cast<std::ptrdiff_t>(frames) * device.channels,
                          0.0f);
            }
        }
        if (ended) {
            stream->ReportEnd();
        }
        insidePull = false;
    }

    void OnLost() {
        const std::lock_guard<std::mutex> lock(playingMutex);
        deviceLost = true;
        if (playing != nullptr) {
            playing->LoseDevice();
        }
    }

    void CloseDevice() {
        if (deviceOpen) {
            backend->CloseAudio();
        }
        deviceOpen = false;
        deviceLost = false;
        deviceRunning = false;
        const std::lock_guard<std::mutex> lock(playingMutex);
        playing = nullptr;
    }

    bool OpenDevice(int rate, int channels) {
        CloseDevice();
        advice.clear();
        deviceOpen = backend->OpenAudio({rate, channels, Pull, this, Lost}, &device);
        if (!deviceOpen) {
            advice = NativeFailureAdvice("sound device", backend->FailureReason());
        }
        return deviceOpen;
    }

    // A device in the stream's own format; reopened only when the format differs. The device
    // cannot be closed from its own pull.
    bool DeviceFor(const SoundStream& stream) {
        if (deviceOpen && device.rate == stream.Rate() && device.channels == stream.Channels()) {
            return true;
        }
        return !insidePull && OpenDevice(stream.Rate(), stream.Channels());
    }

    static thread_local bool insidePull;

    Backend* backend = nullptr;
    bool deviceOpen = false;
    bool deviceLost = false; // the open device has gone
    std::atomic<bool> deviceRunning{false};
    AudioDevice device{};
    std::string advice;

    std::mutex playingMutex; // between a pull and a change of the stream it plays
    SoundStream* playing = nullptr;
    // Held by a pull until the end it found is reported, so that a pause or a seek is never
    // followed by the end of the pass before it; an end callback may pause or seek.
    std::recursive_mutex reportMutex;
};

thread_local bool DeviceOutput::insidePull = false;

int DeviceStream::Play() {
    return output.Play(stream);
}

double DeviceStream::PositionMs() {
    return output.PositionMs(stream);
}

void DeviceStream::SetPaused(bool paused) {
    output.SetPaused(stream, paused);
}

// Rounded up to whole frames, so that the position read back in milliseconds is ms.
void DeviceStream::Seek(int ms) {
    output.Seek(stream, (static_cast<std::int64_t>(ms) * stream.Rate() + 999) / 1000);
}

} // namespace

SoundOutput& PlatformSoundOutput() {
    static DeviceOutput output;
    return output;
}
