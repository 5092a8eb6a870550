#include "platform/audio_file.h"

#include <fcntl.h>
#include <mpg123.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// The open file as the decoder reads it, which tells a read error from an end.
struct AudioFileSource {
    int descriptor = -1;
    bool readFailed = false;
};

} // namespace

struct AudioFile::Decoder {
    mpg123_handle* handle = nullptr;
    AudioFileSource source;
};

namespace {

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

ssize_t ReadSource(void* handle, void* buffer, std::size_t bytes) {
    auto* source = static_cast<AudioFileSource*>(handle);
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
    return lseek(static_cast<AudioFileSource*>(handle)->descriptor, offset, whence);
}

} // namespace

AudioFile::AudioFile() : decoder(std::make_unique<Decoder>()) {}

AudioFile::~AudioFile() {
    if (decoder->handle != nullptr) {
        mpg123_close(decoder->handle);
        mpg123_delete(decoder->handle);
    }
    if (decoder->source.descriptor >= 0) {
        close(decoder->source.descriptor);
    }
}

AudioFileError AudioFile::Open(const std::string& path) {
    AudioFileSource& source = decoder->source;
    source.descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (source.descriptor < 0) {
        return errno == ENOENT || errno == ENOTDIR ? AudioFileError::NotFound
                                                   : AudioFileError::Unreadable;
    }
    int error = MPG123_OK;
    mpg123_handle*& handle = decoder->handle;
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
    const off_t length = mpg123_length(handle);
    frames = length > 0 ? static_cast<std::int64_t>(length) : -1;
    return AudioFileError::None;
}

int AudioFile::Read(float* samples, int frames) {
    const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels);
    for (;;) {
        std::size_t done = 0;
        const int result = mpg123_read(decoder->handle, reinterpret_cast<unsigned char*>(samples),
                                       frameBytes * static_cast<std::size_t>(frames), &done);
        if (done > 0) {
            return static_cast<int>(done / frameBytes);
        }
        if (result != MPG123_NEW_FORMAT) {
            return 0;
        }
    }
}

bool AudioFile::Rewind() {
    return mpg123_seek(decoder->handle, 0, SEEK_SET) >= 0;
}
