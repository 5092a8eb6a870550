// The sound output of the browser: the page's Web Audio decodes the music file itself, and
// the play position is the audio context's clock less its output latency.

#include "platform/sound.h"
#include "platform/sound_output.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

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

EM_JS(void, JsPlayMusic, (int buffer, double fromMs), { Module.page.playMusic(buffer, fromMs); });
EM_JS(void, JsStopMusic, (), { Module.page.stopMusic(); });
EM_JS(double, JsHeardMs, (), { return Module.page.heardMs(); });
// For the page's progress line.
EM_JS(void, JsShowPosition, (double ms, int paused), { Module.page.showPosition(ms, paused); });
// clang-format on

AudioFileError FileError(int code) {
    switch (code) {
    case FSOUND_ERR_FILE_NOTFOUND:
        return AudioFileError::NotFound;
    case FSOUND_ERR_FILE_FORMAT:
        return AudioFileError::NotAudio;
    default:
        return AudioFileError::Unreadable;
    }
}

class WebStream;

// The page plays one buffer at a time.
WebStream* playing = nullptr;

class WebStream final : public OutputStream {
public:
    WebStream(int pageBuffer, double length, StreamEndHeard ended, void* user)
        : buffer(pageBuffer), durationMs(length), endHeard(ended), endUser(user) {}

    ~WebStream() override {
        if (playing == this) {
            playing = nullptr;
        }
    }

    int Play() override {
        paused = false;
        endReported = false;
        PlayFrom(0.0);
        return FSOUND_ERR_NONE;
    }

    // The end is reported here, on the program's thread, once the whole music has been heard.
    double PositionMs() override {
        if (playing != this || paused) {
            return heardMs;
        }
        const double heard = std::clamp(JsHeardMs(), 0.0, durationMs);
        heardMs = std::max(heardMs, std::floor(heard));
        JsShowPosition(heardMs, 0);
        if (heard >= durationMs && !endReported) {
            endReported = true;
            endHeard(endUser);
        }
        return heardMs;
    }

    // The page's source cannot pause: it stops, and a new one starts where it stopped.
    void SetPaused(bool pause) override {
        if (playing != this || pause == paused) {
            return;
        }
        if (pause) {
            PositionMs();
            JsStopMusic();
        } else {
            JsPlayMusic(buffer, heardMs);
        }
        paused = pause;
        JsShowPosition(heardMs, paused ? 1 : 0);
    }

    bool Paused() override { return paused; }

    void Seek(int ms) override {
        endReported = false;
        if (paused) {
            heardMs = ms;
        } else {
            PlayFrom(ms);
        }
        JsShowPosition(heardMs, paused ? 1 : 0);
    }

    double LengthMs() override { return durationMs; }
    double LatencyMs() override { return 0.0; }

private:
    void PlayFrom(double ms) {
        JsPlayMusic(buffer, ms);
        playing = this;
        heardMs = ms;
    }

    const int buffer; // the page's decoded music
    const double durationMs;
    const StreamEndHeard endHeard;
    void* const endUser;
    bool endReported = false;
    bool paused = false;
    double heardMs = 0.0;
};

class WebOutput final : public SoundOutput {
public:
    bool Open(int /*mixRate*/) override { return JsAudioAvailable() != 0; }

    void Close() override {
        JsStopMusic();
        playing = nullptr;
    }

    std::string Advice() const override { return ""; }

    std::unique_ptr<OutputStream> OpenStream(const std::string& path, StreamEndHeard ended,
                                             void* user, AudioFileError* error) override {
        double durationMs = 0.0;
        const int buffer = JsOpenMusic(path.c_str(), &durationMs);
        if (buffer <= 0) {
            *error = FileError(-buffer);
            return nullptr;
        }
        *error = AudioFileError::None;
        return std::make_unique<WebStream>(buffer, durationMs, ended, user);
    }
};

} // namespace

SoundOutput& PlatformSoundOutput() {
    static WebOutput output;
    return output;
}
