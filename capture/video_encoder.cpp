#include "capture/video_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The encoder's inputs, as the child sees them.
constexpr int videoInput = 3;
constexpr int audioInput = 4;
// Frames that may wait for the pipe: enough to ride out the encoder's uneven pace. The
// music's pieces are small, and may wait longer while the encoder reads pictures.
constexpr int framesWaiting = 4;
constexpr int audioPiecesWaiting = 1024;
constexpr int pipeBytes = 1 << 20;

const char* FloatSampleFormat() {
    const std::uint16_t one = 1;
    std::uint8_t first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1 ? "f32le" : "f32be";
}

bool WriteAll(int descriptor, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// A pipe whose ends lie above the descriptors that the child is given, so that placing one
// end cannot overwrite another.
bool MakePipe(int* readEnd, int* writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    *readEnd = fcntl(ends[0], F_DUPFD_CLOEXEC, 10);
    *writeEnd = fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
    close(ends[0]);
    close(ends[1]);
    if (*readEnd < 0 || *writeEnd < 0) {
        close(*readEnd);
        close(*writeEnd);
        return false;
    }
    fcntl(*writeEnd, F_SETPIPE_SZ, pipeBytes); // fewer, larger writes; a hint only
    return true;
}

} // namespace

std::vector<std::string> EncoderCommand(const VideoSettings& video, int audioRate,
                                        int audioChannels) {
    std::vector<std::string> command = {
        encoderProgram, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        // The frames as read back: rows from the bottom, turned upright before they come.
        "-f", "rawvideo", "-pix_fmt", "bgr0", "-video_size",
        std::to_string(video.width) + "x" + std::to_string(video.height), "-framerate",
        std::to_string(video.fps), "-probesize", "32", "-analyzeduration", "0",
        "-thread_queue_size", "64", "-i", "pipe:" + std::to_string(videoInput)};
    if (audioRate > 0) {
        command.insert(command.end(),
                       {"-f", FloatSampleFormat(), "-ar", std::to_string(audioRate), "-ac",
                        std::to_string(audioChannels), "-probesize", "32", "-analyzeduration", "0",
                        "-thread_queue_size", "64", "-i", "pipe:" + std::to_string(audioInput)});
    }
    command.insert(command.end(), {"-map", "0:v"});
    if (audioRate > 0) {
        command.insert(command.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "192k"});
    }
    // Software OpenGL leaves the encoder little of two cores: the fastest preset on one
    // thread (x264's frame threads cost more than they give here) keeps the capture ahead
    // of the music, at a larger file. A fixed thread count and no varying metadata: the
    // same capture gives the same file.
    command.insert(command.end(),
                   {"-c:v",      "libx264",       "-preset",  "ultrafast", "-crf",
                    "18",        "-pix_fmt",      "yuv420p",  "-threads",  "1",
                    "-fflags",   "+bitexact",     "-flags:v", "+bitexact", "-flags:a",
                    "+bitexact", "-map_metadata", "-1",       "-movflags", "+faststart",
                    video.file});
    return command;
}

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return "";
    }
    const std::string folders = path;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = folders.find(':', start);
        std::string folder = folders.substr(start, colon - start);
        if (folder.empty()) {
            folder = ".";
        }
        std::string candidate = folder;
        candidate.append("/").append(program);
        struct stat status {};
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string::npos) {
            return "";
        }
        start = colon + 1;
    }
}

VideoEncoder::VideoEncoder(VideoSettings videoSettings)
    : settings(std::move(videoSettings)), videoWriter(framesWaiting),
      audioWriter(audioPiecesWaiting) {}

VideoEncoder::~VideoEncoder() {
    videoWriter.Drain();
    audioWriter.Drain();
    ClosePipes();
    WaitForExit();
}

void VideoEncoder::StartAudio(int rate, int channels) {
    if (!started) {
        audioRate = rate;
        audioChannels = channels;
    }
}

bool VideoEncoder::EnsureStarted() {
    if (started) {
        return !failed;
    }
    started = true;
    int videoRead = -1;
    int audioRead = -1;
    const bool withAudio = audioRate > 0;
    if (!MakePipe(&videoRead, &videoPipe) || (withAudio && !MakePipe(&audioRead, &audioPipe))) {
        startError =
            std::string("cannot make a pipe to ") + encoderProgram + ": " + std::strerror(errno);
        failed = true;
        ClosePipes();
        close(videoRead);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, videoRead, videoInput);
    if (withAudio) {
        posix_spawn_file_actions_adddup2(&actions, audioRead, audioInput);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> command = EncoderCommand(settings, audioRate, audioChannels);
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (std::string& argument : command) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const int result =
        posix_spawnp(&encoder, encoderProgram, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(videoRead);
    if (audioRead >= 0) {
        close(audioRead);
    }
    if (result != 0) {
        encoder = -1;
        startError = std::string("cannot start ") + encoderProgram + ": " + std::strerror(result);
        failed = true;
        ClosePipes();
        return false;
    }
    return true;
}

void VideoEncoder::Send(BackgroundWriter& writer, int descriptor, Buffer buffer) {
    writer.Post([this, &writer, descriptor, data = std::move(buffer)]() mutable {
        if (!failed && !WriteAll(descriptor, data.data(), data.size())) {
            failed = true;
        }
        writer.GiveBack(std::move(data));
    });
}

void VideoEncoder::WriteFrame(const CapturedFrame& frame, const std::string& /*name*/) {
    if (!EnsureStarted()) {
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
    Buffer upright = videoWriter.TakeBuffer(rowBytes * frame.height);
    for (int row = 0; row < frame.height; ++row) {
        std::memcpy(&upright[rowBytes * row], frame.pixels + rowBytes * (frame.height - 1 - row),
                    rowBytes);
    }
    Send(videoWriter, videoPipe, std::move(upright));
}

void VideoEncoder::WriteAudio(const float* samples, int frames) {
    if (!EnsureStarted() || audioPipe < 0) {
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(frames) * audioChannels * sizeof(float);
    Buffer buffer = audioWriter.TakeBuffer(bytes);
    std::memcpy(buffer.data(), samples, bytes);
    Send(audioWriter, audioPipe, std::move(buffer));
}

void VideoEncoder::ClosePipes() {
    if (videoPipe >= 0) {
        close(videoPipe);
        videoPipe = -1;
    }
    if (audioPipe >= 0) {
        close(audioPipe);
        audioPipe = -1;
    }
}

int VideoEncoder::WaitForExit() {
    if (encoder < 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(encoder, &status, 0) < 0 && errno == EINTR) {
    }
    encoder = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool VideoEncoder::Finish(std::string* error) {
    videoWriter.Drain();
    audioWriter.Drain();
    ClosePipes();
    if (!started) {
        return true;
    }
    if (!startError.empty()) {
        *error = startError;
        return false;
    }
    const int status = WaitForExit();
    if (status != 0) {
        *error = std::string(encoderProgram) + " failed (exit status " + std::to_string(status) +
                 "); " + settings.file + " may be incomplete";
        return false;
    }
    if (failed) {
        *error = std::string(encoderProgram) + " stopped taking frames; " + settings.file +
                 " may be incomplete";
        return false;
    }
    return true;
}
