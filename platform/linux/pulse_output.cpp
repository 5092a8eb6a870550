// The output over libpulse's asynchronous API, on the thread of its threaded main loop: the
// server asks for samples as it makes room, and the stream's latency, interpolated between
// the server's timing reports, is what was written and not yet heard, the sink's own part
// included.

#include "platform/linux/system_audio.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

// A server that accepts the connection but does not answer must not hang the start.
constexpr pa_usec_t answerTimeoutUs = 3 * PA_USEC_PER_SEC;
// The server gives the sink half of what the latency asked for leaves beyond two requests.
// Two periods would leave it none: the sink would then run at its least latency, waking every
// half millisecond, and the picture measured 15 to 20 ms behind the sound. Four leave it one.
constexpr std::uint32_t latencyPeriods = 4;

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* mainLoop) : loop(mainLoop) {
        pa_threaded_mainloop_lock(loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* const loop;
};

class PulseAudioOutput final : public SystemAudioOutput {
public:
    explicit PulseAudioOutput(const AudioRequest& audioRequest)
        : request(audioRequest), frameBytes(static_cast<int>(sizeof(float)) * request.channels) {}

    ~PulseAudioOutput() override {
        if (loop == nullptr) {
            return;
        }
        {
            const LoopLock lock(loop);
            if (stream != nullptr) {
                pa_stream_set_write_callback(stream, nullptr, nullptr);
                pa_stream_set_state_callback(stream, nullptr, nullptr);
                pa_stream_disconnect(stream);
                pa_stream_unref(stream);
            }
            if (resume != nullptr) {
                Api()->defer_free(resume);
            }
            if (deadline != nullptr) {
                Api()->time_free(deadline);
            }
            if (context != nullptr) {
                pa_context_set_state_callback(context, nullptr, nullptr);
                pa_context_disconnect(context);
                pa_context_unref(context);
            }
        }
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
    }
    PulseAudioOutput(const PulseAudioOutput&) = delete;
    PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

    bool Open(int periodFrames, AudioDevice* opened, std::string* failure) {
        loop = pa_threaded_mainloop_new();
        if (loop == nullptr || pa_threaded_mainloop_start(loop) < 0) {
            *failure = "its main loop could not start";
            return false;
        }
        const LoopLock lock(loop);
        context = pa_context_new(Api(), "Tuvoran");
        if (context == nullptr) {
            *failure = "no client context";
            return false;
        }
        pa_context_set_state_callback(context, OnContextState, this);
        deadline =
            pa_context_rttime_new(context, pa_rtclock_now() + answerTimeoutUs, OnDeadline, this);
        // Where no server runs, none is started for the show.
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
            !WaitForContext()) {
            *failure = Reason();
            return false;
        }
        if (!ConnectStream(periodFrames) || !WaitForStream()) {
            *failure = Reason();
            return false;
        }
        Api()->time_free(deadline);
        deadline = nullptr;
        resume = Api()->defer_new(Api(), OnResume, this);
        Api()->defer_enable(resume, 0);
        const char* sink = pa_stream_get_device_name(stream);
        name = std::string("PulseAudio, sink ") + (sink != nullptr ? sink : "(unknown)");
        const pa_buffer_attr* buffer = pa_stream_get_buffer_attr(stream);
        *opened = {request.rate, request.channels, static_cast<int>(buffer->tlength) / frameBytes,
                   true};
        samples.resize(static_cast<std::size_t>(periodFrames) * 4 * request.channels);
        return true;
    }

    // Corked, the server keeps what it holds and asks for nothing; uncorked, it is handed
    // what it has room for from the loop's thread, as it would ask for it.
    void Pause(bool pause) override {
        const LoopLock lock(loop);
        if (pause == paused) {
            return;
        }
        paused = pause;
        pa_operation* cork = pa_stream_cork(stream, pause ? 1 : 0, nullptr, nullptr);
        if (cork != nullptr) {
            pa_operation_unref(cork);
        }
        Api()->defer_enable(resume, pause ? 0 : 1);
    }

    bool Lost() const override { return lost.load(); }
    std::string Name() const override { return name; }

private:
    pa_mainloop_api* Api() const { return pa_threaded_mainloop_get_api(loop); }

    std::string Reason() const {
        if (timedOut) {
            return "the sound server did not answer";
        }
        return pa_strerror(pa_context_errno(context));
    }

    bool ConnectStream(int periodFrames) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(request.rate),
                                    static_cast<std::uint8_t>(request.channels)};
        stream = pa_stream_new(context, "Music", &format, nullptr);
        if (stream == nullptr) {
            return false;
        }
        pa_stream_set_state_callback(stream, OnStreamState, this);
        pa_stream_set_write_callback(stream, OnWritable, this);
        const auto periodBytes = static_cast<std::uint32_t>(periodFrames * frameBytes);
        const auto serverChooses = static_cast<std::uint32_t>(-1);
        pa_buffer_attr buffer{serverChooses, latencyPeriods * periodBytes, serverChooses,
                              periodBytes, serverChooses};
        // The latency asked for is the whole of it, the sink's part included; the timing is
        // kept up to date by the library, and interpolated between the server's reports.
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
            PA_STREAM_AUTO_TIMING_UPDATE);
        return pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr) == 0;
    }

    // On the loop's lock: until ready, or the state goes bad, or the server does not answer.
    template <typename Ready, typename Good>
    bool WaitUntil(Ready ready, Good good) {
        while (!ready()) {
            if (!good() || timedOut) {
                return false;
            }
            pa_threaded_mainloop_wait(loop);
        }
        return true;
    }

    bool WaitForContext() {
        return WaitUntil([this] { return pa_context_get_state(context) == PA_CONTEXT_READY; },
                         [this] { return PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); });
    }

    bool WaitForStream() {
        return WaitUntil([this] { return pa_stream_get_state(stream) == PA_STREAM_READY; },
                         [this] { return PA_STREAM_IS_GOOD(pa_stream_get_state(stream)); });
    }

    // What the server holds of what was written, and the sink of what it took, not yet heard.
    int QueuedFrames() const {
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream, &latency, &negative) < 0) {
            return -1; // no timing report yet
        }
        if (negative != 0) {
            return 0; // played past what was written: the server starved
        }
        return static_cast<int>(latency * static_cast<pa_usec_t>(request.rate) / PA_USEC_PER_SEC);
    }

    void Fill(std::size_t bytes) {
        const auto capacity = static_cast<int>(samples.size()) / request.channels;
        while (!paused && !lost && bytes >= static_cast<std::size_t>(frameBytes)) {
            const int frames = std::min(static_cast<int>(bytes / frameBytes), capacity);
            request.pull(request.user, samples.data(), frames, QueuedFrames());
            const auto written = static_cast<std::size_t>(frames) * frameBytes;
            if (pa_stream_write(stream, samples.data(), written, nullptr, 0, PA_SEEK_RELATIVE) <
                0) {
                return;
            }
            bytes -= written;
        }
        // The library asks for the server's timing ever more seldom, up to every two
        // seconds, and its interpolation drifts meanwhile by tens of milliseconds: a fresh
        // report with every write keeps it to what the server plays.
        pa_operation* update = pa_stream_update_timing_info(stream, nullptr, nullptr);
        if (update != nullptr) {
            pa_operation_unref(update);
        }
    }

    static void OnWritable(pa_stream* /*stream*/, std::size_t bytes, void* self) {
        static_cast<PulseAudioOutput*>(self)->Fill(bytes);
    }

    static void OnResume(pa_mainloop_api* api, pa_defer_event* event, void* self) {
        auto* output = static_cast<PulseAudioOutput*>(self);
        api->defer_enable(event, 0);
        const std::size_t room = pa_stream_writable_size(output->stream);
        if (room != static_cast<std::size_t>(-1)) {
            output->Fill(room);
        }
    }

    // After the start, a context or stream that fails means that the server has gone, or
    // has dropped the stream with its device.
    static void OnContextState(pa_context* context, void* self) {
        auto* output = static_cast<PulseAudioOutput*>(self);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
            output->lost = true;
        }
        pa_threaded_mainloop_signal(output->loop, 0);
    }

    static void OnStreamState(pa_stream* stream, void* self) {
        auto* output = static_cast<PulseAudioOutput*>(self);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
            output->lost = true;
        }
        pa_threaded_mainloop_signal(output->loop, 0);
    }

    static void OnDeadline(pa_mainloop_api* /*api*/, pa_time_event* /*event*/,
                           const struct timeval* /*time*/, void* self) {
        auto* output = static_cast<PulseAudioOutput*>(self);
        output->timedOut = true;
        pa_threaded_mainloop_signal(output->loop, 0);
    }

    const AudioRequest request;
    const int frameBytes;
    pa_threaded_mainloop* loop = nullptr;
    // The rest is used under the loop's lock.
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* deadline = nullptr;
    pa_defer_event* resume = nullptr;
    bool timedOut = false;
    bool paused = true;
    std::atomic<bool> lost{false};
    std::string name;
    std::vector<float> samples;
};

} // namespace

std::unique_ptr<SystemAudioOutput> OpenPulseAudioOutput(const AudioRequest& request,
                                                        int periodFrames, AudioDevice* opened,
                                                        std::string* failure) {
    auto output = std::make_unique<PulseAudioOutput>(request);
    if (!output->Open(periodFrames, opened, failure)) {
        return nullptr;
    }
    return output;
}
