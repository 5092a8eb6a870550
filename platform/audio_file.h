#pragma once

// A compressed music file decoded on demand to 32-bit float samples at its own rate and
// channel count. Decoding is gapless: the encoder's delay and padding, where the file names
// them, are not part of the samples, so that frame 0 is the music's first and the length
// is the music's own. Each build links one decoder behind OpenAudioFile (libmpg123 on
// Linux and Windows); a decoder implements this class and that function, nothing else.

#include <cstdint>
#include <memory>
#include <string>

enum class AudioFileError { None, NotFound, NotAudio, Unreadable };

class AudioFile {
public:
    virtual ~AudioFile() = default;

    virtual int Rate() const = 0;
    virtual int Channels() const = 0;
    // The length in frames as the file declares or its size suggests; -1 when unknown.
    virtual std::int64_t Frames() const = 0;
    // Decodes up to frames frames into samples; 0 at the end, also after a read error.
    virtual int Read(float* samples, int frames) = 0;
    // The next Read starts exactly at frame, the same samples as decoding from the start
    // would give there; a frame at or past the end leaves nothing to read. False when the
    // file cannot seek.
    virtual bool Seek(std::int64_t frame) = 0;

    bool Rewind() { return Seek(0); }
};

// Opens the file and reads as far as its first frame, which gives the format. Null with the
// reason in error when it cannot be decoded.
std::unique_ptr<AudioFile> OpenAudioFile(const std::string& path, AudioFileError* error);
// The decoder behind OpenAudioFile, for a user's report: "libmpg123 1.31.2".
std::string AudioDecoderName();
