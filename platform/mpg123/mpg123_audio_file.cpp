// The decoder of the Linux and Windows builds: MPEG layer 1, 2 and 3 through libmpg123, in its
// gapless mode, reading the file through a descriptor of its own so that a read error is told
// from the end. One library everywhere gives the same samples everywhere.

#include "platform/audio_file.h"

#include <fcntl.h>
#include <mpg123.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// Bytes as they are on Windows (no line-end translation); not inherited by children on Linux.
#ifdef O_BINARY
constexpr int readOnly = O_RDONLY | O_BINARY;
#else
constexpr int readOnly = O_RDONLY | O_CLOEXEC;
#endif

bool LibraryReady() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

// Every rate the library decodes, but only float samples and the file's own channels.
void AllowFloatOutput(mpg123_handle* handle) {
    mpg123_format_none(handle);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i) {
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    }
}

struct Source {
    int descriptor = -1;
    bool readFailed = false;
};

ssize_t ReadSource(void* handle, void* buffer, std::size_t bytes) {
    auto* source = static_cast<Source*>(handle);
    ssize_t got = 0;
    do {
        got = read(source->descriptor, buffer, bytes);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        source->readFailed = true;
    }
    return got;
}

off_t SeekSource(void* handle, off_t offset, int whence) {
    return lseek(static_cast<Source*>(handle)->descriptor, offset, whence);
}

class Mpg123AudioFile final : public AudioFile {
public:
    Mpg123AudioFile() = default;
    Mpg123AudioFile(const Mpg123AudioFile&) = delete;
    Mpg123AudioFile& operator=(const Mpg123AudioFile&) = delete;

    ~Mpg123AudioFile() override {
        if (handle != nullptr) {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
        if (source.descriptor >= 0) {
            close(source.descriptor);
        }
    }

    AudioFileError Open(const std::string& path) {
        source.descriptor = open(path.c_str(), readOnly);
        if (source.descriptor < 0) {
            return errno == ENOENT || errno == ENOTDIR ? AudioFileError::NotFound
                                                       : AudioFileError::Unreadable;
        }
        int error = MPG123_OK;
        handle = LibraryReady() ? mpg123_new(nullptr, &error) : nullptr;
        if (handle == nullptr) {
            return AudioFileError::Unreadable;
        }
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
        AllowFloatOutput(handle);
        long fileRate = 0;
        int fileChannels = 0;
        int encoding = 0;
        if (mpg123_replace_reader_handle(handle, ReadSource, SeekSource, nullptr) != MPG123_OK ||
            mpg123_open_handle(handle, &source) != MPG123_OK ||
            mpg123_getformat(handle, &fileRate, &fileChannels, &encoding) != MPG123_OK) {
            return source.readFailed ? AudioFileError::Unreadable : AudioFileError::NotAudio;
        }
        rate = static_cast<int>(fileRate);
        channels = fileChannels;
        // The frames as they are, not as the encoder's tag declares them: music cut short is
        // as long as what is left of it.
        mpg123_scan(handle);
        const off_t length = mpg123_length(handle);
        frames = length > 0 ? static_cast<std::int64_t>(length) : -1;
        return AudioFileError::None;
    }

    int Rate() const override { return rate; }
    int Channels() const override { return channels; }
    std::int64_t Frames() const override { return frames; }

    int Read(float* samples, int count) override {
        const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels);
        for (;;) {
            std::size_t done = 0;
            const int result = mpg123_read(handle, reinterpret_cast<unsigned char*>(samples),
                                           frameBytes * static_cast<std::size_t>(count), &done);
            if (done > 0) {
                return static_cast<int>(done / frameBytes);
            }
            if (result != MPG123_NEW_FORMAT) {
                return 0;
            }
        }
    }

    bool Seek(std::int64_t frame) override {
        return frame >= 0 && mpg123_seek(handle, static_cast<off_t>(frame), SEEK_SET) >= 0;
    }

private:
    mpg123_handle* handle = nullptr;
    Source source;
    int rate = 0;
    int channels = 0;
    std::int64_t frames = -1;
};

} // namespace

std::unique_ptr<AudioFile> OpenAudioFile(const std::string& path, AudioFileError* error) {
    auto file = std::make_unique<Mpg123AudioFile>();
    *error = file->Open(path);
    if (*error != AudioFileError::None) {
        return nullptr;
    }
    return file;
}

std::string AudioDecoderName() {
    return "libmpg123 " TUVORAN_MPG123_VERSION;
}
