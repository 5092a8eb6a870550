// The output over alsa-lib, for a system without a sound server: a thread of its own waits
// for a period's room in the device's buffer, and passes what the device still holds as
// snd_pcm_delay reports it, the hardware's own delay included.

#include "platform/linux/system_audio.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// alsa-lib writes every step of a failed open to standard error; the reason is reported
// with the failure instead.
void Quiet(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
           const char* /*format*/, ...) {}

// How long the thread waits for room at a time, so that it sees a close soon.
constexpr int roomWaitMs = 100;

class AlsaOutput final : public SystemAudioOutput {
public:
    explicit AlsaOutput(const AudioRequest& audioRequest) : request(audioRequest) {}

    ~AlsaOutput() override {
        if (player.joinable()) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                stopping = true;
            }
            wake.notify_one();
            player.join();
        }
        if (pcm != nullptr) {
            snd_pcm_close(pcm);
        }
    }
    AlsaOutput(const AlsaOutput&) = delete;
    AlsaOutput& operator=(const AlsaOutput&) = delete;

    bool Open(int periodFrames, AudioDevice* opened, std::string* failure) {
        // Not blocking: a device in use by another program must not hold the start up.
        snd_lib_error_set_handler(Quiet);
        int error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        snd_lib_error_set_handler(nullptr);
        if (error >= 0) {
            const auto latencyUs =
                static_cast<unsigned>(2LL * periodFrames * 1000000 / request.rate);
            error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_FLOAT, SND_PCM_ACCESS_RW_INTERLEAVED,
                                       static_cast<unsigned>(request.channels),
                                       static_cast<unsigned>(request.rate), 1, latencyUs);
        }
        snd_pcm_uframes_t bufferFrames = 0;
        snd_pcm_uframes_t deviceFrames = 0;
        if (error >= 0) {
            error = snd_pcm_get_params(pcm, &bufferFrames, &deviceFrames);
        }
        if (error < 0) {
            *failure = snd_strerror(error);
            return false;
        }
        period = static_cast<int>(deviceFrames);
        samples.resize(static_cast<std::size_t>(period) * request.channels);
        *opened = {request.rate, request.channels, static_cast<int>(bufferFrames), true};
        player = std::thread([this] { Play(); });
        return true;
    }

    void Pause(bool pause) override {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            paused = pause;
        }
        wake.notify_one();
    }

    bool Lost() const override { return lost.load(); }
    std::string Name() const override { return "ALSA, device default"; }

private:
    // Paused, the device plays out what it holds and then runs dry, to be started anew.
    void Play() {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return stopping || !paused; });
                if (stopping) {
                    return;
                }
            }
            if (!Step()) {
                lost = true;
                return;
            }
        }
    }

    // False when the device has gone.
    bool Step() {
        const int ready = snd_pcm_wait(pcm, roomWaitMs);
        if (ready < 0) {
            return Recover(ready);
        }
        const snd_pcm_sframes_t room = snd_pcm_avail_update(pcm);
        if (room < 0) {
            return Recover(static_cast<int>(room));
        }
        if (room < period) {
            return true;
        }
        snd_pcm_sframes_t delay = 0;
        const int queued = snd_pcm_delay(pcm, &delay) == 0
                               ? static_cast<int>(std::max<snd_pcm_sframes_t>(delay, 0))
                               : -1;
        request.pull(request.user, samples.data(), period, queued);
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm, samples.data(), static_cast<snd_pcm_uframes_t>(period));
        return written >= 0 || written == -EAGAIN || Recover(static_cast<int>(written));
    }

    // An underrun (the show was paused, or the machine was busy) or a suspend is recovered
    // from; what else fails means that the device has gone.
    bool Recover(int error) { return snd_pcm_recover(pcm, error, 1) >= 0; }

    const AudioRequest request;
    snd_pcm_t* pcm = nullptr;
    int period = 0;
    std::vector<float> samples;
    std::atomic<bool> lost{false};

    std::mutex mutex;
    std::condition_variable wake;
    bool paused = true;
    bool stopping = false;
    std::thread player;
};

} // namespace

std::unique_ptr<SystemAudioOutput> OpenAlsaOutput(const AudioRequest& request, int periodFrames,
                                                  AudioDevice* opened, std::string* failure) {
    auto output = std::make_unique<AlsaOutput>(request);
    if (!output->Open(periodFrames, opened, failure)) {
        return nullptr;
    }
    return output;
}
