#pragma once

// The show's music: one file streamed through the sound library. Its play position is the
// clock of the whole show, and its end ends the show.

#include "platform/sound.h"

#include <atomic>

// The fixed English text of a sound-library error code; "Unknown error" for any other code.
const char* SoundErrorText(int code);

class MusicStream {
public:
    // Starts the sound library; a failure shows up at Play.
    MusicStream();
    // Shuts the sound library down, which releases the stream.
    ~MusicStream();
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    // 0 when the music plays, 1 when the file fails to open, 2 when playback fails to
    // start; on 1 and 2 the library's error text is the last error.
    int Play(const char* path, bool loop);
    // Milliseconds of music heard; only after Play returned 0.
    int GetTime() const;
    // 1 once the music has played to its end, or failed to start.
    int HasEnded() const;

    // The makers' controls, only after Play returned 0. Paused, the position stands and
    // nothing is heard; resumed, the music plays on from there.
    void SetPaused(bool paused);
    int IsPaused() const;
    // The music goes on from ms, 0 to its length, as a pass that has not ended; paused, it
    // stays paused there. 0 when it has moved; 1 for a time it does not have.
    int SetTime(int ms);
    // Milliseconds, as the file declares them; 0 when it does not.
    int GetLength() const;
    // Milliseconds between the music taken from the file and the music heard: what the sound
    // device reports, plus the latency the user added.
    int GetLatency() const;

    static signed char OnStreamEnd(FSOUND_STREAM* stream, void* buffer, int length, void* userData);

private:
    // Both are read by the end callback, which may run on the audio device's thread.
    std::atomic<bool> loop;
    std::atomic<bool> ended;
    FSOUND_STREAM* stream;
    int channel;
};
