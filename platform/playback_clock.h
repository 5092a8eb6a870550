#pragma once

// Where the listener is in music handed to an audio device pull by pull. The position is
// what the device was handed less what it still holds, moved on between pulls at the
// device's rate so that readers see it grow evenly, and never beyond the music handed.
// Not thread-safe: the owner serialises the pulls and the readings.

#include <cstdint>

class PlaybackClock {
public:
    PlaybackClock(int rate, int latencyFrames);

    // A pull at now (nanoseconds) handed musicFrames of music, then silentFrames of silence.
    // complete: no music follows, so the silence is the end and not a gap in the music.
    void OnPull(std::int64_t now, int musicFrames, int silentFrames, bool complete);
    // Frames of music heard at now; never less than at an earlier reading.
    double FramesHeard(std::int64_t now);
    // True once the whole of complete music has been heard, as of the last pull.
    bool AllHeard() const;

private:
    double HeardAtLastPull() const;

    double framesPerNanosecond;
    int latency;
    std::int64_t deviceHanded = 0;
    std::int64_t musicHanded = 0;
    std::int64_t gapFrames = 0;
    std::int64_t lastPullTime = 0;
    int lastPullFrames = 0;
    bool pulled = false;
    bool complete = false;
    double lastReading = 0.0;
};
