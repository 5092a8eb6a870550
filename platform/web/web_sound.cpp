// The sound library's stream calls over the page's Web Audio: the browser decodes the music
// file itself, and the play position is the audio context's clock less its output latency.

#include "platform/file_path.h"
#include "platform/sound.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

class SoundStream {
public:
    SoundStream(int buffer, double durationMs) : buffer(buffer), durationMs(durationMs) {}

    const int buffer; // the page's decoded music
    const double durationMs;
    FSOUND_STREAMCALLBACK endCallback = nullptr;
    void* endUserData = nullptr;
    bool playing = false;
    bool endReported = false;
    int heardMs = 0;
};

namespace {

// clang-format off
EM_JS(int, JsAudioAvailable, (), { return Module.page.audioAvailable() ? 1 : 0; });

// The page's buffer number, or the negative error code of the file.
EM_ASYNC_JS(int, JsOpenMusic, (const char* path, double* durationMs), {
    const opened = await Module.page.openMusic(UTF8ToString(path));
    if (opened.buffer > 0) {
        HEAPF64[durationMs >> 3] = opened.durationMs;
    }
    return opened.buffer > 0 ? opened.buffer : -opened.error;
});

EM_JS(void, JsPlayMusic, (int buffer), { Module.page.playMusic(buffer); });
EM_JS(void, JsStopMusic, (), { Module.page.stopMusic(); });
EM_JS(double, JsHeardMs, (), { return Module.page.heardMs(); });
// clang-format on

struct SoundLibrary {
    bool initialised = false;
    bool deviceMissing = false;
    int channels = 0;
    int playingChannel = FSOUND_FREE;
    std::vector<std::unique_ptr<SoundStream>> streams;
};

SoundLibrary library;
int lastError = FSOUND_ERR_NONE;

template <typename T>
T Fail(int error, T result) {
    lastError = error;
    return result;
}

bool Ready() {
    if (!library.initialised) {
        return Fail(library.deviceMissing ? FSOUND_ERR_INIT : FSOUND_ERR_UNINITIALIZED, false);
    }
    return true;
}

void ReportEnd(SoundStream& stream) {
    stream.endReported = true;
    if (stream.endCallback != nullptr) {
        stream.endCallback(&stream, nullptr, 0, stream.endUserData);
    }
}

} // namespace

signed char FSOUND_SetOutput(int /*outputType*/) {
    return library.initialised ? Fail<signed char>(FSOUND_ERR_BUSY, FALSE) : TRUE;
}

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int /*flags*/) {
    if (library.initialised) {
        return Fail<signed char>(FSOUND_ERR_BUSY, FALSE);
    }
    if (mixRate <= 0 || maxChannels < 0) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    if (JsAudioAvailable() == 0) {
        library.deviceMissing = true;
        return Fail<signed char>(FSOUND_ERR_INIT, FALSE);
    }
    library.initialised = true;
    library.deviceMissing = false;
    library.channels = maxChannels;
    return TRUE;
}

void FSOUND_Close() {
    JsStopMusic();
    library = SoundLibrary{};
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
    double durationMs = 0.0;
    const int buffer = JsOpenMusic(NativePath(fileName).c_str(), &durationMs);
    if (buffer <= 0) {
        return Fail<FSOUND_STREAM*>(-buffer, nullptr);
    }
    library.streams.push_back(std::make_unique<SoundStream>(buffer, durationMs));
    return library.streams.back().get();
}

signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                         void* userData) {
    if (stream == nullptr) {
        return Fail<signed char>(FSOUND_ERR_INVALID_PARAM, FALSE);
    }
    stream->endCallback = callback;
    stream->endUserData = userData;
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
    if (library.channels < 1) {
        return Fail(FSOUND_ERR_CHANNEL_ALLOC, -1);
    }
    for (const auto& other : library.streams) {
        other->playing = false;
    }
    JsPlayMusic(stream->buffer);
    stream->playing = true;
    stream->endReported = false;
    stream->heardMs = 0;
    library.playingChannel = channel == FSOUND_FREE ? 0 : channel;
    return library.playingChannel;
}

// The end is reported here, on the program's thread, once the whole music has been heard.
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) {
    if (stream == nullptr) {
        return Fail(FSOUND_ERR_INVALID_PARAM, 0);
    }
    if (!stream->playing) {
        return stream->heardMs;
    }
    const double heard = std::clamp(JsHeardMs(), 0.0, stream->durationMs);
    stream->heardMs = std::max(stream->heardMs, static_cast<int>(std::floor(heard)));
    if (heard >= stream->durationMs && !stream->endReported) {
        ReportEnd(*stream);
    }
    return stream->heardMs;
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
