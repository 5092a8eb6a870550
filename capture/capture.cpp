#include "capture/capture.h"

#include "app/show_controls.h"
#include "capture/capture_options.h"
#include "capture/picture_writer.h"
#include "capture/progress.h"
#include "capture/video_encoder.h"
#include "platform/audio_file.h"
#include "platform/file_path.h"
#include "platform/offscreen/offscreen_backend.h"
#include "platform/system_report.h"
#include "platform/virtual_clock.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;
constexpr int exitInterrupted = 130;

constexpr std::int64_t unknown = -1;

std::string TimeText(std::int64_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.3f s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

// What the capture asks of the show, frame by frame, and what it got.
class Capture final : public CaptureSink {
public:
    Capture(const CaptureOptions& captureOptions, CaptureOutput& captureOutput,
            std::int64_t showFrameCount)
        : options(captureOptions), output(captureOutput), clock(captureOptions.fps),
          showFrames(showFrameCount), firstFrame(clock.FrameAtOrAfter(captureOptions.from)) {
        if (options.until >= 0) {
            lastFrame = clock.FrameAtOrAfter(options.until);
        }
        if (!options.at.empty()) {
            std::int64_t lastStill = 0;
            for (const int time : options.at) {
                const std::int64_t index = clock.FrameAtOrAfter(time);
                stills[index].push_back("at-" + std::to_string(time) + ".png");
                lastStill = std::max(lastStill, index);
            }
            lastFrame = lastFrame == unknown ? lastStill : std::min(lastFrame, lastStill);
        }
        std::int64_t end = lastFrame == unknown ? showFrames : lastFrame + 1;
        if (showFrames != unknown && end != unknown) {
            end = std::min(end, showFrames);
        }
        expectedFrames = end == unknown ? unknown : end - firstFrame;
        progress = std::make_unique<ProgressBar>(!options.quiet && isatty(STDERR_FILENO) == 1,
                                                 std::max<std::int64_t>(expectedFrames, 0));
    }

    bool WantsFrame(std::int64_t index, std::uint32_t /*timeMs*/) override {
        return options.at.empty() || stills.count(index) != 0;
    }

    void TakeFrame(const CapturedFrame& frame) override {
        if (options.at.empty()) {
            char name[32];
            std::snprintf(name, sizeof(name), "frame-%06lld.png",
                          static_cast<long long>(frame.index));
            output.WriteFrame(frame, name);
            ++framesWritten;
            return;
        }
        for (const std::string& name : stills[frame.index]) {
            output.WriteFrame(frame, name);
            ++framesWritten;
        }
        stillsWritten.push_back(frame.index);
    }

    void StartAudio(int rate, int channels) override { output.StartAudio(rate, channels); }

    void TakeAudio(const float* samples, int frames) override {
        output.WriteAudio(samples, frames);
    }

    bool FrameDone(std::int64_t index) override {
        framesDone = index + 1 - firstFrame;
        lastTimeMs = static_cast<std::int64_t>(clock.MillisecondsAt(index));
        progress->Update(framesDone);
        return !output.Failed() && (lastFrame == unknown || index < lastFrame);
    }

    void ClearProgress() { progress->Clear(); }
    std::int64_t FramesDone() const { return framesDone; }
    std::int64_t FramesWritten() const { return framesWritten; }
    std::int64_t LastTimeMs() const { return lastTimeMs; }
    std::int64_t ExpectedFrames() const { return expectedFrames; }
    std::int64_t FirstFrame() const { return firstFrame; }
    bool Complete() const { return expectedFrames == unknown || framesDone >= expectedFrames; }

    // The times asked for with --at whose frame never came.
    std::vector<int> MissedStills() const {
        std::vector<int> missed;
        for (const int time : options.at) {
            const std::int64_t index = clock.FrameAtOrAfter(time);
            if (std::find(stillsWritten.begin(), stillsWritten.end(), index) ==
                stillsWritten.end()) {
                missed.push_back(time);
            }
        }
        return missed;
    }

private:
    const CaptureOptions& options;
    CaptureOutput& output;
    const VirtualClock clock;
    const std::int64_t showFrames;
    const std::int64_t firstFrame;
    std::int64_t lastFrame = unknown; // the capture stops after it
    std::int64_t expectedFrames = unknown;
    std::map<std::int64_t, std::vector<std::string>> stills;
    std::vector<std::int64_t> stillsWritten;
    std::int64_t framesDone = 0;
    std::int64_t framesWritten = 0;
    std::int64_t lastTimeMs = 0;
    std::unique_ptr<ProgressBar> progress;
};

// Takes nothing: the backend over it only tells what it runs on.
class NoCapture final : public CaptureSink {
public:
    bool WantsFrame(std::int64_t /*index*/, std::uint32_t /*timeMs*/) override { return false; }
    void TakeFrame(const CapturedFrame& /*frame*/) override {}
    void StartAudio(int /*rate*/, int /*channels*/) override {}
    void TakeAudio(const float* /*samples*/, int /*frames*/) override {}
    bool FrameDone(std::int64_t /*index*/) override { return false; }
};

class CaptureRun {
public:
    explicit CaptureRun(const char* argv0)
        : program(std::filesystem::path(argv0 != nullptr ? argv0 : "").filename().string()) {
        if (program.empty()) {
            program = "tuvoran-capture";
        }
    }

    int Run(int argc, char** argv, WinMainFunction winMain, const char* musicPath) {
        const ParsedCaptureOptions parsed =
            ParseCaptureOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
        if (!parsed.error.empty()) {
            Say(parsed.error);
            std::fprintf(stderr, "Try '%s --help'.\n", program.c_str());
            return exitUsage;
        }
        const CaptureOptions& options = parsed.options;
        if (options.help) {
            std::fputs(CaptureUsage(program).c_str(), stdout);
            return exitDone;
        }
        if (options.version) {
            std::fputs(CaptureVersion().c_str(), stdout);
            if (options.verbose) {
                std::fflush(stdout);
                NoCapture nothing;
                std::fputs(SystemReport(*CreateOffscreenBackend(options.fps, nothing)).c_str(),
                           stdout);
            }
            return exitDone;
        }
        const VirtualClock clock(options.fps);
        const std::int64_t showFrames = ShowFrameCount(musicPath, options.fps);
        if (showFrames != unknown && clock.FrameAtOrAfter(options.from) >= showFrames) {
            Say("bad value '" + std::to_string(options.from) +
                "' for --from: the show's last frame is at " +
                TimeText(clock.MillisecondsAt(showFrames - 1)));
            std::fprintf(stderr, "Try '%s --help'.\n", program.c_str());
            return exitUsage;
        }
        if (!PrepareOutput(options)) {
            return exitFailed;
        }
        std::unique_ptr<CaptureOutput> output;
        if (options.pngFolder.empty()) {
            output = std::make_unique<VideoEncoder>(
                VideoSettings{options.out, options.width, options.height, options.fps});
        } else {
            output = std::make_unique<PictureWriter>(options.pngFolder);
        }
        Capture capture(options, *output, showFrames);
        const auto start = std::chrono::steady_clock::now();
        const int shown = Show(argv[0], options, capture, winMain);
        capture.ClearProgress();
        std::string error;
        const bool written = output->Finish(&error);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (shown != 0) {
            return exitFailed; // the show has said why
        }
        if (!written) {
            Say(error);
            return exitFailed;
        }
        Say(Summary(options, capture, seconds));
        if (!capture.Complete()) {
            return exitInterrupted;
        }
        const std::vector<int> missed = capture.MissedStills();
        if (!missed.empty()) {
            Say("no frame at " + std::to_string(missed.front()) + " ms: the show ended at " +
                TimeText(capture.LastTimeMs()));
            return exitFailed;
        }
        return exitDone;
    }

private:
    void Say(const std::string& line) const {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), line.c_str());
    }

    // Checked before the show starts, so that a capture cannot fail at its end for a reason
    // known at its start.
    bool PrepareOutput(const CaptureOptions& options) const {
        namespace fs = std::filesystem;
        std::error_code error;
        if (!options.pngFolder.empty()) {
            fs::create_directories(options.pngFolder, error);
            if (!fs::is_directory(options.pngFolder)) {
                Say("cannot make the folder " + options.pngFolder +
                    (error ? ": " + error.message() : ""));
                return false;
            }
            return true;
        }
        if (FindOnPath(encoderProgram).empty()) {
            Say(std::string(encoderProgram) +
                " is not on the PATH, and --out needs it to write the video: install it "
                "(tools/install-deps.sh video), or write pictures with --png DIR");
            return false;
        }
        const fs::path folder = fs::path(options.out).parent_path();
        if (!folder.empty() && !fs::is_directory(folder, error)) {
            Say("cannot write " + options.out + ": the folder " + folder.string() +
                " does not exist");
            return false;
        }
        return true;
    }

    // The show's own command line carries the display mode, as a user of the live program
    // would give it.
    static int Show(const char* argv0, const CaptureOptions& options, Capture& capture,
                    WinMainFunction winMain) {
        std::string arguments[] = {argv0 != nullptr ? argv0 : "", std::to_string(options.width),
                                   std::to_string(options.height), "32"};
        char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                        arguments[3].data(), nullptr};
        const std::unique_ptr<Backend> backend =
            CreateOffscreenBackend(options.fps, capture, options.keepAspect, capture.FirstFrame());
        ShowControlOptions controls;
        controls.startMs = options.from;
        controls.framesPerSecond = options.fps;
        SetShowControlOptions(controls);
        return RunPlatform(4, argv, *backend, winMain);
    }

    static std::string Summary(const CaptureOptions& options, const Capture& capture,
                               double seconds) {
        const std::int64_t frames = capture.FramesDone();
        char figures[160];
        std::snprintf(figures, sizeof(figures),
                      "%lld frames to %s at %d fps, %dx%d, in %.1f s (%.1f frames/s)",
                      static_cast<long long>(frames), TimeText(capture.LastTimeMs()).c_str(),
                      options.fps, options.width, options.height, seconds,
                      seconds > 0.0 ? frames / seconds : 0.0);
        std::string what;
        if (!options.pngFolder.empty()) {
            what = std::to_string(capture.FramesWritten()) + " pictures and " +
                   PictureWriter::musicFile + " in " + options.pngFolder;
        } else {
            what = options.out;
        }
        if (!capture.Complete()) {
            return "stopped early: " + what + " holds what was done, " + figures;
        }
        return "wrote " + what + ": " + figures;
    }

    std::string program;
};

} // namespace

std::int64_t ShowFrameCount(const char* musicPath, int fps) {
    // Decoded to the end: the length that the sound layer will play, encoder padding excluded.
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(NativePath(musicPath), &error);
    if (file == nullptr) {
        return unknown;
    }
    constexpr int chunkFrames = 8192;
    std::vector<float> chunk(static_cast<std::size_t>(chunkFrames) * file->Channels());
    std::int64_t frames = 0;
    for (int read = file->Read(chunk.data(), chunkFrames); read > 0;
         read = file->Read(chunk.data(), chunkFrames)) {
        frames += read;
    }
    return VirtualClock(fps).FramesBeforeAudioEnds(frames, file->Rate());
}

int RunCapture(int argc, char** argv, WinMainFunction winMain, const char* musicPath) {
    // A write to an encoder that has gone is reported where it happens, not by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return CaptureRun(argc > 0 ? argv[0] : nullptr).Run(argc, argv, winMain, musicPath);
}
