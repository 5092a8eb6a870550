#include "platform/sound.h"

#include "platform/backend.h"
#include "platform/file_path.h"
#include "platform/process_internal.h"
#include "platform/sound_stream.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int deviceChannels = 2;

// Written by the program's thread; a pull reads it, and its end callback may play again.
struct SoundLibrary {
    bool initialised = false;
    bool deviceMissing = false; // FSOUND_Init found no device
    int channels = 0;
    Backend* backend = nullptr;
    bool deviceOpen = false;
    bool deviceLost = false; // the open device has gone
    std::atomic<bool> deviceRunning{false};
    AudioDevice device{};
    std::string deviceAdvice;
    std::vector<std::unique_ptr<SoundStream>> streams;
    std::atomic<int> playingChannel{FSOUND_FREE};

    std::mutex playingMutex; // between a pull and a change of the stream it plays
    SoundStream* playing = nullptr;
};

SoundLibrary library;
std::atomic<int> lastError{FSOUND_ERR_NONE};
thread_local bool insidePull = false;

template <typename T>
T Fail(int error, T result) {
    lastError = error;
    if (error == FSOUND_ERR_INIT) {
        SetFailureAdvice(library.deviceAdvice);
    }
    return result;
}

void Pull(void* /*user*/, float* samples, int frames) {
    insidePull = true;
    const std::int64_t now = library.backend->AudioNanoseconds();
    SoundStream* stream = nullptr;
    bool ended = false;
    {
        const std::lock_guard<std::mutex> lock(library.playingMutex);
        stream = library.playing;
        if (stream != nullptr) {
            ended = stream->Fill(samples, frames, now);
        } else {
            std::fill(samples,
                      samples + static_cast<std::ptrdiff_t>(frames) * library.device.channels,
                      0.0f);
        }
    }
    if (ended) {
        stream->CallEndCallback();
    }
    insidePull = false;
}

void Lost(void* /*user*/) {
    const std::lock_guard<std::mutex> lock(library.playingMutex);
    library.deviceLost = true;
    if (library.playing != nullptr) {
        library.playing->LoseDevice();
    }
}

void SetPlaying(SoundStream* stream) {
    const std::lock_guard<std::mutex> lock(library.playingMutex);
    library.playing = stream;
}

void CloseDevice() {
    if (library.deviceOpen) {
        library.backend->CloseAudio();
    }
    library.deviceOpen = false;
    library.deviceLost = false;
    library.deviceRunning = false;
    SetPlaying(nullptr);
}

bool OpenDevice(int rate, int channels) {
    CloseDevice();
    library.deviceAdvice.clear();
    library.deviceOpen =
        library.backend->OpenAudio({rate, channels, Pull, nullptr, Lost}, &library.device);
    if (!library.deviceOpen) {
        library.deviceAdvice =
            NativeFailureAdvice("sound device", library.backend->FailureReason());
    }
    return library.deviceOpen;
}

bool Ready() {
    if (!library.initialised) {
        return Fail(library.deviceMissing ? FSOUND_ERR_INIT : FSOUND_ERR_UNINITIALIZED, false);
    }
    return true;
}

// A device in the stream's own format; reopened only when the format differs.
bool DeviceFor(const SoundStream& stream) {
    if (library.deviceOpen && library.device.rate == stream.Rate() &&
        library.device.channels == stream.Channels()) {
        return true;
    }
    if (insidePull) {
        // The device cannot be closed from its own pull.
        return Fail(FSOUND_ERR_PLAY, false);
    }
    return OpenDevice(stream.Rate(), stream.Channels()) || Fail(FSOUND_ERR_INIT, false);
}

} // namespace

signed char FSOUND_SetOutput(int /*outputType*/) {
    if (library.initialised) {
        return Fail<signed char>(FSOUND_ERR_BUSY, FALSE);
    }
    return TRUE;
}

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int /*flags*/) {
    if (library.initialised) {
        return Fail<signed char>(FSOUND_ERR_BUSY, FALSE);
    }
    if (mixRate <= 0 || maxChannels < 0) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    library.backend = &CurrentBackend();
    if (!OpenDevice(mixRate, deviceChannels)) {
        // The advice waits for the call whose failure the user is shown.
        library.deviceMissing = true;
        lastError = FSOUND_ERR_INIT;
        return FALSE;
    }
    library.initialised = true;
    library.deviceMissing = false;
    library.channels = maxChannels;
    return TRUE;
}

void FSOUND_Close() {
    if (library.backend != nullptr) {
        CloseDevice();
    }
    library.streams.clear();
    library.initialised = false;
    library.deviceMissing = false;
    library.channels = 0;
    library.backend = nullptr;
    library.playingChannel = FSOUND_FREE;
    SetFailureAdvice("");
}

int FSOUND_GetError() {
    return lastError;
}

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* fileName, unsigned int /*mode*/,
                                      int /*memLength*/) {
    if (!Ready()) {
        return nullptr;
    }
    if (fileName == nullptr) {
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_INVALID_PARAM, nullptr);
    }
    auto file = std::make_unique<AudioFile>();
    switch (file->Open(NativePath(fileName))) {
    case AudioFileError::None:
        break;
    case AudioFileError::NotFound:
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_FILE_NOTFOUND, nullptr);
    case AudioFileError::NotAudio:
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_FILE_FORMAT, nullptr);
    case AudioFileError::Unreadable:
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_FILE_BAD, nullptr);
    }
    library.streams.push_back(std::make_unique<SoundStream>(std::move(file)));
    return library.streams.back().get();
}

signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                         void* userData) {
    if (stream == nullptr) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    stream->SetEndCallback(callback, userData);
    return TRUE;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
    if (!Ready()) {
        return -1;
    }
    if (stream == nullptr ||
        (channel != FSOUND_FREE && (channel < 0 || channel >= library.channels))) {
        return Fail(FSOUND_ERR_INVALID_PARAM, -1);
    }
    // One stream plays at a time, on the first channel unless told another.
    if (library.channels < 1) {
        return Fail(FSOUND_ERR_CHANNEL_ALLOC, -1);
    }
    if (!DeviceFor(*stream)) {
        return -1;
    }
    {
        const std::lock_guard<std::mutex> lock(library.playingMutex);
        stream->Start(library.device, library.backend->AudioNanoseconds(), library.deviceLost);
        library.playing = stream;
    }
    if (!library.deviceRunning) {
        library.backend->PauseAudio(false);
        library.deviceRunning = true;
    }
    library.playingChannel = channel == FSOUND_FREE ? 0 : channel;
    return library.playingChannel;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) {
    if (stream == nullptr || library.backend == nullptr) {
        return Fail(FSOUND_ERR_INVALID_PARAM, 0);
    }
    return static_cast<int>(std::floor(stream->PositionMs(library.backend->AudioNanoseconds())));
}

signed char FSOUND_SetPan(int channel, int pan) {
    if (!Ready()) {
        return FALSE;
    }
    if (channel != library.playingChannel || channel == FSOUND_FREE || pan != FSOUND_STEREOPAN) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    return TRUE;
}
