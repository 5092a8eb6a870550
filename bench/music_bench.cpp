// The music clock on the live audio device, and how fast music opens and decodes.

#include "harness.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sound.h"
#include "platform/sound_output.h"
#include "support/fake_backend.h"
#include "support/test_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

constexpr int rate = 44100;
constexpr double nanosecondsPerMs = 1e6;

// The live device's audio, watched from outside the sound layer: at every pull, the music
// position just before the device takes more, and what the device has been handed.
class WatchedDevice : public FakeBackend {
public:
    struct PullRecord {
        std::int64_t time;
        double positionBeforeMs;
        std::int64_t handedAfter;
    };

    explicit WatchedDevice(Backend& liveBackend) : live(liveBackend), pulls(1 << 17) {}

    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        inner = request;
        const bool ready =
            live.OpenAudio({request.rate, request.channels, Pull, this, Lost}, opened);
        device = *opened;
        return ready;
    }
    void PauseAudio(bool paused) override { live.PauseAudio(paused); }
    void CloseAudio() override { live.CloseAudio(); }
    std::int64_t AudioNanoseconds() override { return live.AudioNanoseconds(); }
    std::string FailureReason() override { return live.FailureReason(); }

    void Watch(FSOUND_STREAM* watched) { stream = watched; }
    int LatencyFrames() const { return device.latencyFrames; }
    std::size_t PullCount() const { return pullCount; }
    const PullRecord& PullAt(std::size_t index) const { return pulls[index]; }

private:
    static void Lost(void* self) {
        const auto* watcher = static_cast<WatchedDevice*>(self);
        watcher->inner.lost(watcher->inner.user);
    }
    static void Pull(void* self, float* samples, int frames, int queuedFrames) {
        auto* watcher = static_cast<WatchedDevice*>(self);
        const std::int64_t now = watcher->live.AudioNanoseconds();
        FSOUND_STREAM* stream = watcher->stream;
        const double before = stream != nullptr ? OutputOf(stream).PositionMs() : 0.0;
        watcher->inner.pull(watcher->inner.user, samples, frames, queuedFrames);
        watcher->handed += frames;
        const std::size_t index = watcher->pullCount;
        if (index < watcher->pulls.size()) {
            watcher->pulls[index] = {now, before, watcher->handed};
            watcher->pullCount = index + 1;
        }
    }

    Backend& live;
    AudioRequest inner{};
    AudioDevice device{};
    std::atomic<FSOUND_STREAM*> stream{nullptr};
    std::int64_t handed = 0;
    std::vector<PullRecord> pulls;
    std::atomic<std::size_t> pullCount{0};
};

struct EndWatch {
    Backend* backend;
    std::atomic<std::int64_t> time{0};
    std::atomic<int> calls{0};

    static signed char OnEnd(FSOUND_STREAM* /*stream*/, void* /*buffer*/, int /*length*/,
                             void* userData) {
        auto* watch = static_cast<EndWatch*>(userData);
        watch->time = watch->backend->AudioNanoseconds();
        ++watch->calls;
        return TRUE;
    }
};

struct Reading {
    std::int64_t time;
    int ms;
    double exactMs;
};

double MeanError(const WatchedDevice& device, std::size_t first, std::size_t last, double musicMs) {
    double sum = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const auto& pull = device.PullAt(i);
        const double reference =
            std::clamp((pull.handedAfter - device.LatencyFrames()) * 1000.0 / rate, 0.0, musicMs);
        sum += pull.positionBeforeMs - reference;
    }
    return last > first ? sum / static_cast<double>(last - first) : 0.0;
}

// Plays a tone on SDL's audio device and reads the clock about every millisecond, as
// frames would, until well after the end.
std::vector<Figure> MusicClock(const BenchOptions& options) {
    const int seconds = options.quick ? 2 : 30;
    const int musicFrames = seconds * rate;
    const double musicMs = seconds * 1000.0;
    TemporaryFolder folder;
    const std::string path = folder.File("tone.mp3");
    if (!WriteToneMp3(path, musicFrames)) {
        return {{"tone could not be made", 1, "", Exactly(0)}};
    }

    const auto live = CreateSdlBackend();
    WatchedDevice device(*live);
    const ScopedBackend scope(device);
    EndWatch end{&device};
    if (!FSOUND_Init(rate, 32, 0)) {
        FSOUND_Close();
        return {{"no audio device (set SDL_AUDIODRIVER=dummy)", 1, "", Exactly(0)}};
    }
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_OFF, 0);
    FSOUND_Stream_SetEndCallback(stream, EndWatch::OnEnd, &end);
    device.Watch(stream);
    const std::int64_t start = device.AudioNanoseconds();
    FSOUND_Stream_Play(FSOUND_FREE, stream);

    std::vector<Reading> readings;
    std::int64_t afterEnd = 0;
    const std::int64_t giveUp = start + (seconds + 10) * 1000000000LL;
    while ((afterEnd == 0 && device.AudioNanoseconds() < giveUp) ||
           (afterEnd != 0 && device.AudioNanoseconds() - afterEnd < 200 * 1000000LL)) {
        const std::int64_t now = device.AudioNanoseconds();
        readings.push_back({now, FSOUND_Stream_GetTime(stream), OutputOf(stream).PositionMs()});
        if (afterEnd == 0 && end.calls > 0) {
            afterEnd = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::int64_t stop = device.AudioNanoseconds();
    FSOUND_Close();

    int backwards = 0;
    std::vector<double> stepErrors;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        backwards += readings[i].ms < readings[i - 1].ms ? 1 : 0;
        const bool moving = readings[i].exactMs < musicMs && readings[i - 1].exactMs > 0.0;
        if (moving) {
            const double wallMs = (readings[i].time - readings[i - 1].time) / nanosecondsPerMs;
            stepErrors.push_back(std::fabs(readings[i].exactMs - readings[i - 1].exactMs - wallMs));
        }
    }

    const std::size_t pullCount = device.PullCount();
    if (pullCount == 0 || end.calls == 0) {
        return {{"the device took no samples or the music did not end", 1, "", Exactly(0)}};
    }
    double worstPullError = 0.0;
    std::size_t lastMusicPull = pullCount;
    for (std::size_t i = 0; i < pullCount; ++i) {
        const auto& pull = device.PullAt(i);
        const double reference =
            std::clamp((pull.handedAfter - device.LatencyFrames()) * 1000.0 / rate, 0.0, musicMs);
        worstPullError = std::max(worstPullError, std::fabs(pull.positionBeforeMs - reference));
        if (lastMusicPull == pullCount && pull.handedAfter >= musicFrames) {
            lastMusicPull = i;
        }
    }
    const std::size_t tenth = std::max<std::size_t>(1, lastMusicPull / 10);
    const double drift = MeanError(device, lastMusicPull - tenth, lastMusicPull, musicMs) -
                         MeanError(device, 0, tenth, musicMs);
    const double endDelayMs =
        lastMusicPull < pullCount
            ? (end.time - device.PullAt(lastMusicPull).time) / nanosecondsPerMs
            : -1.0;
    const double handedSeconds =
        static_cast<double>(device.PullAt(pullCount - 1).handedAfter) / rate;
    const double pace = handedSeconds / ((device.PullAt(pullCount - 1).time - start) / 1e9);

    const int last = readings.back().ms;
    const double latencyMs = device.LatencyFrames() * 1000.0 / rate;
    return {
        {"track length", musicMs / 1000.0, "s", {}},
        {"clock readings, about 1 ms apart", static_cast<double>(readings.size()), "", {}},
        {"readings that went back", static_cast<double>(backwards), "", Exactly(0)},
        {"step error vs wall clock, 99th percentile (a device buffer is 23 ms)",
         Percentile(stepErrors, 0.99), "ms", Below(1)},
        {"step error vs wall clock, largest (a scheduling hiccup at worst)",
         Percentile(stepErrors, 1.0),
         "ms",
         {}},
        {"clock vs audio handed less latency, at pulls", worstPullError, "ms", AtMost(1)},
        {"drift of that error, last tenth vs first", drift, "ms", WithinPlusOrMinus(1)},
        {"position after the end less track length", last - musicMs, "ms", Exactly(0)},
        {"end callbacks", static_cast<double>(end.calls), "", Exactly(1)},
        {"end callback after the last sample was handed: the device's latency, to 1 ms", endDelayMs,
         "ms", AtMost(latencyMs + 1.0)},
        {"device latency", latencyMs, "ms", {}},
        {"device pace vs wall clock (the clock follows the device)", (pace - 1.0) * 100.0, "%", {}},
        {"run time", (stop - start) / 1e9, "s", {}},
    };
}

// Opens a 192 kbit/s track, then decodes all of it through a device that waits for samples.
std::vector<Figure> MusicDecoding(const BenchOptions& options) {
    const int seconds = options.quick ? 5 : 70;
    TemporaryFolder folder;
    const std::string path = folder.File("track.mp3");
    if (!WriteToneMp3(path, seconds * rate, rate, 2, 192)) {
        return {{"track could not be made", 1, "", Exactly(0)}};
    }
    FakeBackend device;
    const ScopedBackend scope(device);
    FSOUND_Init(rate, 32, 0);
    EndWatch end{&device};
    using Clock = std::chrono::steady_clock;
    const Clock::time_point openStart = Clock::now();
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_OFF, 0);
    const Clock::time_point opened = Clock::now();
    FSOUND_Stream_SetEndCallback(stream, EndWatch::OnEnd, &end);
    FSOUND_Stream_Play(FSOUND_FREE, stream);
    while (end.calls == 0) {
        device.PullAudio(4096);
        device.audioSamples.clear();
    }
    const Clock::time_point decoded = Clock::now();
    FSOUND_Close();

    const double openMs = std::chrono::duration<double, std::milli>(opened - openStart).count();
    const double decodeSeconds = std::chrono::duration<double>(decoded - opened).count();
    return {
        {"track length", static_cast<double>(seconds), "s", {}},
        {"open, up to the first frame (start-up does not wait)", openMs, "ms", Below(5)},
        {"decode and hand over the whole track (100 ms for 70 s)", decodeSeconds * 1000.0, "ms",
         Below(100.0 * seconds / 70.0)},
        {"speed", seconds / decodeSeconds, "x real time", {}},
    };
}

const bool registered = RegisterBenchmark("music clock (live audio device)", MusicClock) &&
                        RegisterBenchmark("music decoding", MusicDecoding);

} // namespace
