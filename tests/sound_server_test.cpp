// The sound layer against a real sound server: a private PulseAudio server of the test's own
// with a null sink, whose monitor is recorded with the time at which each piece arrives. The
// position that the sound layer reports must be the music that the sink plays at that moment:
// what was written, less what the server reports that it still holds.

#include "platform/argument_vector.h"
#include "platform/audio_file.h"
#include "platform/frame_timing.h"
#include "platform/linux/system_audio.h"
#include "platform/sound.h"
#include "support/fake_backend.h"
#include "support/process.h"
#include "support/test_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr std::int64_t nsPerMs = 1000000;
constexpr float clickLevel = 0.25f;

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ProgramPath(const std::string& name) {
    std::string path = RunCommand("command -v " + name).text;
    path.erase(path.find_last_not_of('\n') + 1);
    return path;
}

// The variable set for the life of the object, as it was before afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* variableName, const char* value) : name(variableName) {
        const char* before = std::getenv(name);
        hadValue = before != nullptr;
        previous = hadValue ? before : "";
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { hadValue ? setenv(name, previous.c_str(), 1) : unsetenv(name); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name;
    bool hadValue = false;
    std::string previous;
};

// A server with a null sink at the music's rate, its socket, its state and its runtime files
// in a folder of its own; root runs it as well, with a warning.
class PrivateServer {
public:
    explicit PrivateServer(const std::string& folderPath)
        : folder(folderPath), address("unix:" + folder + "/native") {}

    // False, with why, where no server can start here.
    bool Start(std::string* why) {
        const std::string pulseaudio = ProgramPath("pulseaudio");
        if (pulseaudio.empty() || ProgramPath("pactl").empty() || ProgramPath("parec").empty()) {
            *why = "pulseaudio and pulseaudio-utils are not installed (tools/install-deps.sh test)";
            return false;
        }
        const std::vector<std::string> arguments{
            pulseaudio,
            "-n",
            "--daemonize=no",
            "--exit-idle-time=-1",
            "--use-pid-file=no",
            "--realtime=no",
            "--high-priority=no",
            "--log-target=stderr",
            "-L",
            "module-null-sink sink_name=null rate=44100 channels=2 format=float32le",
            "-L",
            "module-native-protocol-unix auth-anonymous=1 socket=" + folder + "/native"};
        process = std::make_unique<ChildProcess>(
            arguments,
            std::vector<std::string>{"HOME=" + folder, "XDG_RUNTIME_DIR=" + folder,
                                     "XDG_CONFIG_HOME=" + folder + "/config",
                                     "PULSE_STATE_PATH=" + folder + "/state"},
            folder);
        if (!WaitUntil([this] { return Control("info").exitCode == 0 || !process->Running(); },
                       10000) ||
            !process->Running()) {
            *why = "no private PulseAudio server started: " + process->ErrorOutput();
            return false;
        }
        return true;
    }

    CommandOutput Control(const std::string& arguments) const {
        return RunCommand("pactl --server=" + address + " " + arguments + " 2>/dev/null");
    }

    // What the sink renders ahead of playing it, as it is configured now.
    double SinkLatencyMs() const {
        const std::string sinks = Control("list sinks").text;
        const std::size_t at = sinks.find("configured ");
        return at == std::string::npos ? -1.0 : std::atof(sinks.c_str() + at + 11) / 1000.0;
    }

    void Kill() const { process->Signal(SIGKILL); }

    const std::string folder;
    const std::string address;

private:
    std::unique_ptr<ChildProcess> process;
};

// The sink's monitor, recorded by parec in 5 ms pieces, each with the time it arrived.
class MonitorRecording {
public:
    explicit MonitorRecording(const std::string& address) {
        int ends[2] = {-1, -1};
        if (pipe2(ends, O_CLOEXEC) != 0) {
            return;
        }
        std::vector<std::string> arguments{ProgramPath("parec"),    "--server=" + address,
                                           "--device=null.monitor", "--format=float32le",
                                           "--rate=44100",          "--channels=2",
                                           "--latency-msec=5"};
        std::vector<char*> argv = ArgumentVector(arguments);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        output = ends[0];
        reader = std::thread([this] { Read(); });
    }

    ~MonitorRecording() { Stop(); }
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (reader.joinable()) {
            reader.join();
        }
        if (output >= 0) {
            close(output);
            output = -1;
        }
    }

    bool Recording() const { return frames.load() > 0; }

    // Once stopped: the first frame from first on louder than the click's level, or -1.
    std::int64_t LoudFrom(std::int64_t first) const {
        for (std::size_t sample = first * 2; sample < samples.size(); sample += 2) {
            if (std::fabs(samples[sample]) > clickLevel) {
                return static_cast<std::int64_t>(sample / 2);
            }
        }
        return -1;
    }

    // Once stopped: when frame was rendered, from the pieces that end near it. A piece
    // arrives as soon as the sink has rendered its last frame, or later: the earliest arrival
    // less the frames before it gives the time of frame 0.
    std::int64_t RenderedAt(std::int64_t frame) const {
        std::int64_t start = INT64_MAX;
        const std::int64_t near = rate / 2;
        for (const Piece& piece : pieces) {
            if (std::llabs(piece.endFrame - frame) < near) {
                start = std::min(start, piece.arrived - piece.endFrame * 1000000000 / rate);
            }
        }
        return start + frame * 1000000000 / rate;
    }

private:
    struct Piece {
        std::int64_t arrived;
        std::int64_t endFrame;
    };

    void Read() {
        std::vector<char> buffer(1 << 16);
        std::vector<char> bytes;
        for (;;) {
            const ssize_t got = read(output, buffer.data(), buffer.size());
            if (got <= 0) {
                break;
            }
            const std::int64_t arrived = Now();
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
            const auto whole = static_cast<std::int64_t>(bytes.size() / (2 * sizeof(float)));
            pieces.push_back({arrived, whole});
            frames = whole;
        }
        samples.resize(bytes.size() / sizeof(float));
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    }

    pid_t pid = -1;
    int output = -1;
    std::thread reader;
    std::atomic<std::int64_t> frames{0};
    std::vector<Piece> pieces;
    std::vector<float> samples;
};

// The fake's windows and time, with the PulseAudio output asked for a buffer of four periods
// of periodFrames.
class ServerAudioBackend final : public FakeBackend {
public:
    explicit ServerAudioBackend(int periodFrames) : period(periodFrames) {}

    bool OpenAudio(const AudioRequest& request, AudioDevice* opened) override {
        output = OpenPulseAudioOutput(request, period, opened, &failure);
        return output != nullptr;
    }
    void PauseAudio(bool paused) override { output->Pause(paused); }
    void CloseAudio() override { output.reset(); }
    std::int64_t AudioNanoseconds() override { return Now(); }
    std::string FailureReason() override { return failure; }

private:
    const int period;
    std::unique_ptr<SystemAudioOutput> output;
    std::string failure;
};

class SoundServer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!server.Start(&why)) {
            GTEST_SKIP() << why;
        }
        serverVariable = std::make_unique<ScopedVariable>("PULSE_SERVER", server.address.c_str());
    }

    TemporaryFolder folder;
    PrivateServer server{folder.Path()};
    std::unique_ptr<ScopedVariable> serverVariable;
};

// Silence with a click at clickMs; the frame at which the decoder gives the click's onset.
std::int64_t WriteClick(const std::string& path, int lengthMs, int clickMs) {
    std::vector<float> sound(static_cast<std::size_t>(lengthMs) * rate / 1000);
    const std::size_t click = static_cast<std::size_t>(clickMs) * rate / 1000;
    for (std::size_t i = 0; i < rate / 100; ++i) {
        sound[click + i] = static_cast<float>(0.8 * std::sin(2.0 * M_PI * 2000.0 * i / rate));
    }
    if (!WriteMp3(path, sound)) {
        return -1;
    }
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(path, &error);
    std::vector<float> decoded(sound.size() * 2);
    const int frames = file->Read(decoded.data(), static_cast<int>(sound.size()));
    for (int frame = 0; frame < frames; ++frame) {
        if (std::fabs(decoded[static_cast<std::size_t>(frame) * 2]) > clickLevel) {
            return frame;
        }
    }
    return -1;
}

struct Reading {
    std::int64_t time;
    int ms;
};

// The server holds about 140 ms, so that the position with that latency left out (+140 ms),
// counted twice (-140 ms) or added (+280 ms) is far from the truth, beyond what a busy
// machine's timing can move it.
TEST_F(SoundServer, ThePositionIsTheMusicThatTheSinkPlaysAtThatMoment) {
    constexpr int periodFrames = 2048;
    constexpr int clickMs = 1500;
    constexpr double marginMs = 30.0;
    const std::string path = folder.File("click.mp3");
    const std::int64_t clickFrame = WriteClick(path, 2500, clickMs);
    ASSERT_GT(clickFrame, 0);

    MonitorRecording monitor(server.address);
    ASSERT_TRUE(WaitUntil([&monitor] { return monitor.Recording(); }, 5000));
    ServerAudioBackend backend(periodFrames);
    const ScopedBackend scope(backend);
    ResetFrameLead();
    SetExtraAudioLatency(0);
    ASSERT_TRUE(FSOUND_Init(rate, 32, 0));
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(path.c_str(), FSOUND_LOOP_OFF, 0);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0) << backend.FailureReason();
    std::vector<Reading> readings;
    double sinkLatencyMs = -1.0;
    int reportedMs = 0;
    const std::int64_t start = Now();
    while (FSOUND_Stream_GetTime(stream) < 2300 && Now() - start < 5000 * nsPerMs) {
        readings.push_back({Now(), FSOUND_Stream_GetTime(stream)});
        if (sinkLatencyMs < 0 && readings.back().ms > clickMs - 200) {
            sinkLatencyMs = server.SinkLatencyMs();
            reportedMs = SoundLatencyMs(stream);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    FSOUND_Close();
    monitor.Stop();

    ASSERT_GE(sinkLatencyMs, 0.0);
    const std::int64_t clickRecorded = monitor.LoudFrom(0);
    ASSERT_GE(clickRecorded, 0) << "the click was not heard";
    // The monitor carries the sound when the sink renders it, that much ahead of its play.
    const double clickPlayed = static_cast<double>(monitor.RenderedAt(clickRecorded)) +
                               sinkLatencyMs * static_cast<double>(nsPerMs);
    const double clickMusicMs = static_cast<double>(clickFrame) * 1000.0 / rate;
    std::vector<double> errors;
    for (const Reading& reading : readings) {
        const double sinceClickMs = (static_cast<double>(reading.time) - clickPlayed) / nsPerMs;
        if (std::fabs(sinceClickMs) < 400.0) {
            errors.push_back(reading.ms - (clickMusicMs + sinceClickMs));
        }
    }
    ASSERT_GT(errors.size(), 100u);
    std::nth_element(errors.begin(), errors.begin() + errors.size() / 2, errors.end());
    const double medianError = errors[errors.size() / 2];
    std::cout << "reported latency " << reportedMs << " ms, of which the sink's " << sinkLatencyMs
              << " ms; position less music played: " << medianError << " ms\n";
    EXPECT_LT(std::fabs(medianError), marginMs);
}

struct PullRecord {
    std::atomic<int> pulls{0};
    std::atomic<int> reports{0};
    std::atomic<int> largestQueued{0};

    static void Pull(void* user, float* samples, int frames, int queuedFrames) {
        auto* record = static_cast<PullRecord*>(user);
        std::fill(samples, samples + static_cast<std::ptrdiff_t>(frames) * 2, 0.0f);
        if (queuedFrames >= 0) {
            ++record->reports;
            record->largestQueued = std::max(record->largestQueued.load(), queuedFrames);
        }
        ++record->pulls;
    }
};

// The output as the backend gives it to the sound layer: opened paused, pulling only while it
// plays, each pull told in frames what the server holds; the server's end is seen, and no
// pull comes once the output is gone. Without a server, it fails at once and says why.
TEST_F(SoundServer, AnOutputPullsOnlyWhilePlayingAndSeesTheServerGo) {
    PullRecord record;
    const AudioRequest request{rate, 2, PullRecord::Pull, &record, nullptr};
    const int period = AudioPeriodFrames(rate);
    AudioDevice opened{};
    std::string failure;
    std::unique_ptr<SystemAudioOutput> output =
        OpenPulseAudioOutput(request, period, &opened, &failure);
    ASSERT_NE(output, nullptr) << failure;
    EXPECT_TRUE(opened.realTime);
    EXPECT_EQ(opened.rate, rate);
    EXPECT_GE(opened.latencyFrames, 2 * period);
    EXPECT_LE(opened.latencyFrames, 4 * period);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(record.pulls, 0);

    output->Pause(false);
    ASSERT_TRUE(WaitUntil([&record] { return record.reports >= 10; }, 5000));
    EXPECT_LE(record.largestQueued, opened.latencyFrames);
    output->Pause(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int pausedAt = record.pulls;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(record.pulls, pausedAt);
    output->Pause(false);
    EXPECT_TRUE(WaitUntil([&record, pausedAt] { return record.pulls > pausedAt; }, 2000));

    EXPECT_FALSE(output->Lost());
    server.Kill();
    EXPECT_TRUE(WaitUntil([&output] { return output->Lost(); }, 3000));
    output.reset();
    const int closedAt = record.pulls;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(record.pulls, closedAt);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenPulseAudioOutput(request, period, &opened, &failure), nullptr);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_EQ(failure, "Connection refused");
}

} // namespace
