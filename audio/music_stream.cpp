#include "audio/music_stream.h"

#include "app/error_text.h"

#include <array>

namespace {

constexpr int mixRate = 44100;
constexpr int mixChannels = 32;
constexpr unsigned int playOnce = FSOUND_LOOP_OFF | FSOUND_8BITS | FSOUND_MONO;

constexpr std::array<const char*, 20> errorTexts = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Tried to use an advanced EAX2 command on a non EAX2 enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};

} // namespace

const char* SoundErrorText(int code) {
    if (code < 0 || code >= static_cast<int>(errorTexts.size())) {
        return "Unknown error";
    }
    return errorTexts[static_cast<std::size_t>(code)];
}

MusicStream::MusicStream() : loop(false), ended(false), stream(nullptr), channel(FSOUND_FREE) {
    FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
    FSOUND_Init(mixRate, mixChannels, 0);
}

MusicStream::~MusicStream() {
    FSOUND_Close();
}

int MusicStream::Play(const char* path, bool loopFlag) {
    ended = false;
    loop = loopFlag;
    stream = FSOUND_Stream_OpenFile(path, playOnce, 0);
    if (stream == nullptr) {
        SetErrorText(SoundErrorText(FSOUND_GetError()));
        return 1;
    }
    FSOUND_Stream_SetEndCallback(stream, OnStreamEnd, this);
    channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
    if (channel == -1) {
        SetErrorText(SoundErrorText(FSOUND_GetError()));
        ended = true;
        return 2;
    }
    FSOUND_SetPan(channel, FSOUND_STEREOPAN);
    return 0;
}

int MusicStream::GetTime() const {
    return FSOUND_Stream_GetTime(stream);
}

int MusicStream::HasEnded() const {
    return ended ? 1 : 0;
}

void MusicStream::SetPaused(bool paused) {
    FSOUND_SetPaused(channel, paused ? TRUE : FALSE);
}

int MusicStream::IsPaused() const {
    return FSOUND_GetPaused(channel) != FALSE ? 1 : 0;
}

// The sound layer reports no end of the pass before once the time has moved.
int MusicStream::SetTime(int ms) {
    if (FSOUND_Stream_SetTime(stream, ms) == FALSE) {
        return 1;
    }
    ended = false;
    return 0;
}

int MusicStream::GetLength() const {
    return FSOUND_Stream_GetLengthMs(stream);
}

int MusicStream::GetLatency() const {
    return SoundLatencyMs(stream);
}

signed char MusicStream::OnStreamEnd(FSOUND_STREAM* stream, void* /*buffer*/, int /*length*/,
                                     void* userData) {
    auto* music = static_cast<MusicStream*>(userData);
    if (music->loop) {
        FSOUND_Stream_Play(FSOUND_FREE, stream);
    }
    music->ended = true;
    return TRUE;
}
