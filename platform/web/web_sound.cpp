// The sound output of the browser: the page's Web Audio decodes the music file itself, and
// the play position is what the audio context says is being heard.

#include "platform/frame_timing.h"
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
// The music's time heard aheadMs from now.
EM_JS(double, JsHeardMs, (double aheadMs), { return Module.page.heardMs(aheadMs); });
EM_JS(double, JsLatencyMs, (), { return Module.page.latencyMs(); });
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

    // A frame is seen when the browser shows it, at its next animation frame at the
    // earliest, which the frame lead learns (the presentation is counted once that frame
    // comes); and the sound may reach the listener later than the browser knows. The
    // position is read that much ahead. The end is reported here, on the program's thread,
    // once the whole music has been both heard and shown.
    double PositionMs() override {
        if (playing != this || paused) {
            return heardMs;
        }
        const double aheadMs = static_cast<double>(PictureAheadNanoseconds()) / 1e6;
        const double shown = std::clamp(JsHeardMs(aheadMs), 0.0, durationMs);
        heardMs = std::max(heardMs, std::floor(shown));
        JsShowPosition(heardMs, 0);
        if (!endReported && shown >= durationMs && JsHeardMs(0.0) >= durationMs) {
            endReported = true;
            endHeard(endUser);
        }
        return heardMs;
    }

    // The page's source cannot pause: it stops, and a new one starts where the sound stopped,
    // which the picture, read ahead of it, meets again.
    void SetPaused(bool pause) override {
        if (playing != this || pause == paused) {
            return;
        }
        if (pause) {
            PositionMs();
            resumeMs = std::clamp(std::floor(JsHeardMs(0.0)), 0.0, durationMs);
            JsStopMusic();
        } else {
            JsPlayMusic(buffer, resumeMs);
        }
        paused = pause;
        JsShowPosition(heardMs, paused ? 1 : 0);
    }

    bool Paused() override { return paused; }

    void Seek(int ms) override {
        endReported = false;
        if (paused) {
            heardMs = ms;
            resumeMs = ms;
        } else {
            PlayFrom(ms);
        }
        JsShowPosition(heardMs, paused ? 1 : 0);
    }

    double LengthMs() override { return durationMs; }
    double LatencyMs() override { return JsLatencyMs(); }

private:
    void PlayFrom(double ms) {
        JsPlayMusic(buffer, ms);
        playing = this;
        heardMs = ms;
        resumeMs = ms;
    }

    const int buffer; // the page's decoded music
    const double durationMs;
    const StreamEndHeard endHeard;
    void* const endUser;
    bool endReported = false;
    bool paused = false;
    double heardMs = 0.0;  // the picture's, which never goes back while the music plays
    double resumeMs = 0.0; // where the sound stopped
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
