#pragma once

// When the picture drawn now is seen, against the sound heard now. A live frame is drawn for
// the middle of its time on the screen, from its presentation until the next frame's, rather
// than for the moment its drawing began: a moment of the music then first shows within half
// a frame of its sound, either side, where it would otherwise come up to a frame late. The
// sound may reach the listener later than its device reports (Bluetooth headphones, a TV's
// speakers): the music's position read for a frame is taken that much ahead.

#include <cstdint>

// The frame's music time is read: its drawing begins.
void NoteFrameBegun();
// The frame has been handed to the screen.
void NoteFramePresented();
// From the reading of a frame's time to the middle of its time on the screen: its drawing and
// presentation, and half the time between presentations, learned from the frames before.
std::int64_t FrameLeadNanoseconds();
// Forgets what was learned: the sound library's start begins a new run.
void ResetFrameLead();

// The sound is heard ms later than its device reports; negative where the screen is the
// slower. The picture waits as long.
void SetExtraAudioLatency(int ms);
int ExtraAudioLatency();

// How far ahead of what is heard now a live frame is drawn.
std::int64_t PictureAheadNanoseconds();
