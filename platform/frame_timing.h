#pragma once

// When the picture drawn now is seen, against the sound heard now. A live frame is drawn for
// the moment it reaches the screen rather than for the moment its drawing began, and the
// sound may reach the listener later than its device reports (Bluetooth headphones, a TV's
// speakers): the music's position read for a frame is taken that much ahead.

#include <cstdint>

// The frame's music time is read: its drawing begins.
void NoteFrameBegun();
// The frame has been handed to the screen.
void NoteFramePresented();
// From the reading of a frame's time to its presentation, learned from the frames before.
std::int64_t FrameLeadNanoseconds();
// Forgets what was learned: the sound library's start begins a new run.
void ResetFrameLead();

// The sound is heard ms later than its device reports; negative where the screen is the
// slower. The picture waits as long.
void SetExtraAudioLatency(int ms);
int ExtraAudioLatency();

// How far ahead of what is heard now a live frame is drawn.
std::int64_t PictureAheadNanoseconds();
