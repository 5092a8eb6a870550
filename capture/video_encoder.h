#pragma once

// A video file made by ffmpeg: frames go to it raw through one pipe and the music as 32-bit
// float samples through another, each pipe written from a thread of its own so that the
// encoder may read its two inputs in any order. The encoder runs in its own process group,
// so that Ctrl+C in a terminal stops the capture and not the encoder, which then finishes
// the file with what it was given.

#include "capture/background_writer.h"
#include "capture/capture_output.h"

#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

constexpr char encoderProgram[] = "ffmpeg";

struct VideoSettings {
    std::string file;
    int width;
    int height;
    int fps;
};

// The encoder's command line; audioRate 0 for none.
std::vector<std::string> EncoderCommand(const VideoSettings& video, int audioRate,
                                        int audioChannels);

// The full path of program in one of the PATH's folders, or empty.
std::string FindOnPath(const std::string& program);

class VideoEncoder final : public CaptureOutput {
public:
    explicit VideoEncoder(VideoSettings settings);
    ~VideoEncoder() override;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    void StartAudio(int rate, int channels) override;
    void WriteFrame(const CapturedFrame& frame, const std::string& name) override;
    void WriteAudio(const float* samples, int frames) override;
    bool Failed() const override { return failed; }
    bool Finish(std::string* error) override;

private:
    // The encoder starts with the first frame or samples, when the music's format is known.
    bool EnsureStarted();
    void Send(BackgroundWriter& writer, int descriptor, Buffer buffer);
    void ClosePipes();
    int WaitForExit();

    const VideoSettings settings;
    int audioRate = 0;
    int audioChannels = 0;
    bool started = false;
    std::atomic<bool> failed{false};
    std::string startError;
    pid_t encoder = -1;
    int videoPipe = -1;
    int audioPipe = -1;
    BackgroundWriter videoWriter;
    BackgroundWriter audioWriter;
};
