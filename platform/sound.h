#pragma once

// The sound library's stream calls: one music file streamed to the audio output, its play
// position in milliseconds and a call at its end. Files are decoded at their own rate and
// channel count; the mode's sample-format bits are hints. Errors are kept for
// FSOUND_GetError.

#include "platform/types.h"

class LibraryStream;
using FSOUND_STREAM = LibraryStream;

// Called once the stream's last sample has been heard; buffer is null and length 0. The
// result, TRUE or FALSE, is not used.
// May run on a thread of the audio device's.
using FSOUND_STREAMCALLBACK = signed char (*)(FSOUND_STREAM* stream, void* buffer, int length,
                                              void* userData);

constexpr int FSOUND_OUTPUT_DSOUND = 2;

constexpr unsigned int FSOUND_LOOP_OFF = 1;
constexpr unsigned int FSOUND_8BITS = 8;
constexpr unsigned int FSOUND_MONO = 32;

constexpr int FSOUND_FREE = -1;      // any free channel
constexpr int FSOUND_STEREOPAN = -1; // both channels as recorded

constexpr int FSOUND_ERR_NONE = 0;
constexpr int FSOUND_ERR_BUSY = 1;          // not allowed after FSOUND_Init
constexpr int FSOUND_ERR_UNINITIALIZED = 2; // FSOUND_Init was not called
constexpr int FSOUND_ERR_INIT = 3;          // no output device
constexpr int FSOUND_ERR_PLAY = 5;
constexpr int FSOUND_ERR_FILE_NOTFOUND = 9;
constexpr int FSOUND_ERR_FILE_FORMAT = 10; // not audio that can be decoded
constexpr int FSOUND_ERR_FILE_BAD = 11;    // read error
constexpr int FSOUND_ERR_INVALID_PARAM = 14;
constexpr int FSOUND_ERR_CHANNEL_ALLOC = 17;

// Chooses the kind of output; only before FSOUND_Init. The backend's device is used whatever
// the kind.
signed char FSOUND_SetOutput(int outputType);
// Opens the output device, paused until a stream plays. FALSE, with FSOUND_ERR_INIT, when
// there is none; later calls then fail with FSOUND_ERR_INIT too.
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Closes the device and every stream.
void FSOUND_Close();
int FSOUND_GetError();

// Paths may separate folders with backslashes. Null on failure.
FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* fileName, unsigned int mode, int memLength);
signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                         void* userData);
// Plays the stream from its start, also when it played before. The channel, or -1.
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);
// Milliseconds of the stream heard, from its start: it grows as the music is heard, stands
// while the stream is paused, and goes back only when FSOUND_Stream_SetTime puts it back.
// Read once a frame: on a device that plays as time goes, it is what will be heard when the
// frame drawn now is seen (see frame_timing.h).
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
// Moves the stream that plays to ms from its start, 0 to its length: the position is ms at
// once, paused or not, and the music plays on from there as a new pass, whose end is called
// again. FALSE with FSOUND_ERR_INVALID_PARAM for a stream that is not the one playing or a
// time outside its length.
signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms);
// The length as the file declares it, in milliseconds; 0 when it declares none.
int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream);
// Pauses (TRUE) or resumes (FALSE) what plays on channel: paused, its position stands and
// nothing is heard; resumed, it plays on from there. A new FSOUND_Stream_Play plays unpaused.
// FALSE with FSOUND_ERR_INVALID_PARAM for a channel that plays nothing.
signed char FSOUND_SetPaused(int channel, signed char paused);
// TRUE while what plays on channel is paused; FALSE, with FSOUND_ERR_INVALID_PARAM for a
// channel that plays nothing.
signed char FSOUND_GetPaused(int channel);
// Only FSOUND_STEREOPAN is offered.
signed char FSOUND_SetPan(int channel, int pan);

// Beyond the library's calls: what the listener's ear is behind the stream taken from the
// file, in milliseconds: what the output reports that it holds, plus the latency that the
// user added for what the system cannot know (SetExtraAudioLatency).
int SoundLatencyMs(FSOUND_STREAM* stream);
