#include "platform/sound.h"

#include "platform/failure_advice.h"
#include "platform/file_path.h"
#include "platform/frame_timing.h"
#include "platform/sound_output.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

// A stream as the program holds it: what the output plays, and the program's end callback,
// which the output's end may call from a thread of its own.
class LibraryStream {
public:
    void SetOutput(std::unique_ptr<OutputStream> played) { output = std::move(played); }
    OutputStream& Output() { return *output; }

    void SetEndCallback(FSOUND_STREAMCALLBACK callback, void* userData) {
        const std::lock_guard<std::mutex> lock(mutex);
        endCallback = callback;
        endUserData = userData;
    }

    static void EndHeard(void* user) {
        auto* stream = static_cast<LibraryStream*>(user);
        FSOUND_STREAMCALLBACK callback = nullptr;
        void* userData = nullptr;
        {
            const std::lock_guard<std::mutex> lock(stream->mutex);
            callback = stream->endCallback;
            userData = stream->endUserData;
        }
        if (callback != nullptr) {
            callback(stream, nullptr, 0, userData);
        }
    }

private:
    std::unique_ptr<OutputStream> output;
    std::mutex mutex;
    FSOUND_STREAMCALLBACK endCallback = nullptr;
    void* endUserData = nullptr;
};

namespace {

// Written by the program's thread; an end callback may play again from the output's.
struct SoundLibrary {
    bool initialised = false;
    bool deviceMissing = false; // FSOUND_Init found no output
    int channels = 0;
    std::vector<std::unique_ptr<LibraryStream>> streams;
    std::atomic<int> playingChannel{FSOUND_FREE};
    std::atomic<LibraryStream*> playingStream{nullptr};
};

SoundLibrary library;
std::atomic<int> lastError{FSOUND_ERR_NONE};

template <typename T>
T Fail(int error, T result) {
    lastError = error;
    if (error == FSOUND_ERR_INIT) {
        SetFailureAdvice(PlatformSoundOutput().Advice());
    }
    return result;
}

bool Ready() {
    if (!library.initialised) {
        return Fail(library.deviceMissing ? FSOUND_ERR_INIT : FSOUND_ERR_UNINITIALIZED, false);
    }
    return true;
}

// The stream that plays on channel, or null with the error.
LibraryStream* PlayingOn(int channel) {
    if (!Ready()) {
        return nullptr;
    }
    LibraryStream* stream = library.playingStream;
    if (channel == FSOUND_FREE || channel != library.playingChannel || stream == nullptr) {
        return Fail<LibraryStream*>(FSOUND_ERR_INVALID_PARAM, nullptr);
    }
    return stream;
}

} // namespace

OutputStream& OutputOf(LibraryStream* stream) {
    return stream->Output();
}

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
    if (!PlatformSoundOutput().Open(mixRate)) {
        // The advice waits for the call whose failure the user is shown.
        library.deviceMissing = true;
        lastError = FSOUND_ERR_INIT;
        return FALSE;
    }
    library.initialised = true;
    library.deviceMissing = false;
    library.channels = maxChannels;
    ResetFrameLead();
    return TRUE;
}

void FSOUND_Close() {
    PlatformSoundOutput().Close();
    library.streams.clear();
    library.initialised = false;
    library.deviceMissing = false;
    library.channels = 0;
    library.playingChannel = FSOUND_FREE;
    library.playingStream = nullptr;
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
    auto stream = std::make_unique<LibraryStream>();
    AudioFileError error = AudioFileError::None;
    stream->SetOutput(PlatformSoundOutput().OpenStream(
        NativePath(fileName), LibraryStream::EndHeard, stream.get(), &error));
    switch (error) {
    case AudioFileError::None:
        break;
    case AudioFileError::NotFound:
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_FILE_NOTFOUND, nullptr);
    case AudioFileError::NotAudio:
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_FILE_FORMAT, nullptr);
    case AudioFileError::Unreadable:
        return Fail<FSOUND_STREAM*>(FSOUND_ERR_FILE_BAD, nullptr);
    }
    library.streams.push_back(std::move(stream));
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
    const int error = stream->Output().Play();
    if (error != FSOUND_ERR_NONE) {
        return Fail(error, -1);
    }
    library.playingStream = stream;
    library.playingChannel = channel == FSOUND_FREE ? 0 : channel;
    return library.playingChannel;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) {
    if (stream == nullptr || !library.initialised) {
        return Fail(FSOUND_ERR_INVALID_PARAM, 0);
    }
    NoteFrameBegun();
    return static_cast<int>(std::floor(stream->Output().PositionMs()));
}

int SoundLatencyMs(FSOUND_STREAM* stream) {
    if (stream == nullptr || !library.initialised) {
        return 0;
    }
    return static_cast<int>(std::lround(stream->Output().LatencyMs())) + ExtraAudioLatency();
}

signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms) {
    if (!Ready()) {
        return FALSE;
    }
    if (stream == nullptr || stream != library.playingStream || ms < 0) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    const double length = stream->Output().LengthMs();
    if (length >= 0.0 && ms > length) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    stream->Output().Seek(ms);
    return TRUE;
}

int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream) {
    if (stream == nullptr || !library.initialised) {
        return Fail(FSOUND_ERR_INVALID_PARAM, 0);
    }
    return static_cast<int>(std::max(0.0, std::floor(stream->Output().LengthMs())));
}

signed char FSOUND_SetPaused(int channel, signed char paused) {
    LibraryStream* stream = PlayingOn(channel);
    if (stream == nullptr) {
        return FALSE;
    }
    stream->Output().SetPaused(paused != FALSE);
    return TRUE;
}

signed char FSOUND_GetPaused(int channel) {
    LibraryStream* stream = PlayingOn(channel);
    return stream != nullptr && stream->Output().Paused() ? TRUE : FALSE;
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
