#pragma once

// Where the sound library's streams are decoded and heard. The library's calls keep their
// rules (arguments, errors, channels) in sound.cpp, the same over every output; an output
// does only the work beneath them. Each build links one: the backend's audio device fed by
// a decoder (sound_device.cpp), or the browser's Web Audio (web/web_sound.cpp).

#include "platform/audio_file.h"

#include <memory>
#include <string>

// The stream's last sample has been heard: once per pass, on the program's thread or on a
// thread of the output's.
using StreamEndHeard = void (*)(void* user);

class OutputStream {
public:
    virtual ~OutputStream() = default;

    // From the first sample, also when it played before. FSOUND_ERR_NONE, or the library's
    // error code when the output cannot play it.
    virtual int Play() = 0;
    // Milliseconds of the stream heard, from its start. On an output that plays as time goes,
    // taken ahead by PictureAheadNanoseconds while the stream plays, so that a frame shows
    // what is heard when it is seen.
    virtual double PositionMs() = 0;
    // What the output reports it holds between the music taken and the music heard.
    virtual double LatencyMs() = 0;
    // Paused, the position stands and nothing more is heard; resumed, the stream plays on from
    // that position. A new Play plays unpaused.
    virtual void SetPaused(bool paused) = 0;
    virtual bool Paused() = 0;
    // The position is ms at once (a paused stream stays paused there), and a new pass
    // begins, whose end is reported again. Only for a stream that plays, within its length.
    virtual void Seek(int ms) = 0;
    // As the file declares it; negative when unknown.
    virtual double LengthMs() = 0;
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Ready to play; false when there is no output at all.
    virtual bool Open(int mixRate) = 0;
    // Every stream stops; no end is reported once this returns.
    virtual void Close() = 0;
    // What the user can do about the last output that could not be opened; empty if unknown.
    virtual std::string Advice() const = 0;
    // Null on failure, with the reason in error.
    virtual std::unique_ptr<OutputStream> OpenStream(const std::string& path, StreamEndHeard ended,
                                                     void* user, AudioFileError* error) = 0;
};

// The build's output.
SoundOutput& PlatformSoundOutput();

// What plays a stream of the library's (sound.h), for readings finer than its milliseconds.
class LibraryStream;
OutputStream& OutputOf(LibraryStream* stream);
