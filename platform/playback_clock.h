#pragma once

// Where the listener is in music handed to an audio device pull by pull. The position is
// what the device was handed less what it still holds, moved on between pulls at the
// device's rate so that readers see it grow evenly, and never beyond the music handed.
// What the device holds is what it reports at each pull, where it reports it: the median of
// the last few reports, so that one late report does not shake the picture, and a new device
// (headphones plugged in) is followed within a few pulls.
// Not thread-safe: the owner serialises the pulls and the readings.

#include "platform/recent_median.h"

#include <cstdint>

class PlaybackClock {
public:
    // Starts at start (nanoseconds), before the first pull.
    PlaybackClock(int rate, int latencyFrames, std::int64_t start = 0);

    // A pull at now (nanoseconds) handed musicFrames of music, then silentFrames of silence.
    // complete: no music follows, so the silence is the end and not a gap in the music.
    // latencyFrames: what the device reports that it holds right after this pull; negative
    // where it does not report, and the latency stays as it was.
    void OnPull(std::int64_t now, int musicFrames, int silentFrames, bool complete,
                int latencyFrames = -1);
    // Frames of music heard at now, or aheadNs later (earlier where negative) as time goes,
    // so that a picture can be drawn for the moment it is seen; never less than at an
    // earlier reading.
    double FramesHeard(std::int64_t now, std::int64_t aheadNs = 0);
    // What the device holds right after a pull, as the position takes it off.
    int LatencyFrames() const { return latency; }
    // True once the whole of complete music has been heard, as of the last pull; once
    // detached, as of the last reading.
    bool AllHeard() const;

    // True when a device that plays as time goes has taken nothing for so long, since the
    // last pull or the start, that it must have stopped: ten of its pulls, and at least a
    // quarter of a second, or two seconds for a device that reports what it holds.
    bool Stalled(std::int64_t now) const;
    // The device no longer keeps time (it is gone, or stalled): from the last pull on, the
    // position goes on at the device's rate up to lengthFrames, and pulls no longer count.
    void Detach(std::int64_t lengthFrames);
    bool Detached() const { return detached; }

private:
    double HeardAtLastPull() const;

    double framesPerNanosecond;
    int latency;
    RecentMedian<int, 5> reports;
    bool reporting = false; // the device reports what it holds
    std::int64_t deviceHanded = 0;
    std::int64_t musicHanded = 0;
    std::int64_t gapFrames = 0;
    std::int64_t lastPullTime = 0;
    int lastPullFrames = 0;
    bool pulled = false;
    bool complete = false;
    double lastReading = 0.0;
    bool detached = false;
    double lengthAfterDetach = 0.0;
};
