#pragma once

// A compressed audio file (MPEG audio) decoded on demand to 32-bit float samples at its own
// rate and channel count. Decoding is gapless: the encoder's delay and padding, when the file
// names them, are not part of the samples. Each system decodes with its own decoder: libmpg123
// on Linux (linux/), the system's MPEG Layer-3 codec on Windows (win32/).

#include <cstdint>
#include <memory>
#include <string>

enum class AudioFileError { None, NotFound, NotAudio, Unreadable };

class AudioFile {
public:
    AudioFile();
    ~AudioFile();
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    // Opens the file and reads as far as its first frame, which gives the format.
    AudioFileError Open(const std::string& path);
    int Rate() const { return rate; }
    int Channels() const { return channels; }
    // The length in frames as the file declares or its size suggests; -1 when unknown.
    std::int64_t Frames() const { return frames; }
    // Decodes up to frames frames into samples; 0 at the end, also after a read error.
    int Read(float* samples, int frames);
    // Back to the first sample; false when the file cannot seek.
    bool Rewind();

private:
    struct Decoder;

    std::unique_ptr<Decoder> decoder;
    int rate = 0;
    int channels = 0;
    std::int64_t frames = -1;
};
