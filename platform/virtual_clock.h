#pragma once

// The capture's clock: it stands at 0 until the first frame is presented and moves on by
// exactly one frame at each presentation, however long a frame took to draw.

#include <cstdint>

class VirtualClock {
public:
    // firstFrame: where the clock stands until the first presentation.
    explicit VirtualClock(int framesPerSecond, std::int64_t firstFrame = 0)
        : fps(framesPerSecond), frames(firstFrame) {}

    int Fps() const { return fps; }
    // Frames presented so far; the frame being drawn has this index.
    std::int64_t Frames() const { return frames; }
    void Advance() { ++frames; }

    std::uint32_t Milliseconds() const {
        return static_cast<std::uint32_t>(MillisecondsAt(frames));
    }
    std::int64_t Nanoseconds() const { return frames * 1000000000 / fps; }

    // Frame index's time in whole milliseconds, rounded down.
    std::int64_t MillisecondsAt(std::int64_t index) const { return index * 1000 / fps; }
    // The first frame drawn at or after timeMs.
    std::int64_t FrameAtOrAfter(std::int64_t timeMs) const;
    // Audio frames at rate that an audio device has taken by now. Counted to the millisecond
    // the clock shows and rounded up, so that a position read back from them in whole
    // milliseconds, rounded down, is the clock's own at any rate and frame rate.
    std::int64_t AudioFramesDue(int rate) const { return AudioFramesAt(frames, rate); }
    std::int64_t AudioFramesAt(std::int64_t index, int rate) const;
    // How many frames are drawn before audio of lengthFrames at rate has all been taken.
    std::int64_t FramesBeforeAudioEnds(std::int64_t lengthFrames, int rate) const;

private:
    int fps;
    std::int64_t frames;
};
