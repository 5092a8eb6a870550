#include "platform/playback_clock.h"

#include <algorithm>

PlaybackClock::PlaybackClock(int rate, int latencyFrames)
    : framesPerNanosecond(rate / 1e9), latency(latencyFrames) {}

void PlaybackClock::OnPull(std::int64_t now, int musicFrames, int silentFrames,
                           bool musicComplete) {
    deviceHanded += musicFrames + silentFrames;
    musicHanded += musicFrames;
    if (!musicComplete) {
        gapFrames += silentFrames;
    }
    complete = musicComplete;
    lastPullTime = now;
    lastPullFrames = musicFrames + silentFrames;
    pulled = true;
}

double PlaybackClock::HeardAtLastPull() const {
    return static_cast<double>(deviceHanded - latency - gapFrames);
}

double PlaybackClock::FramesHeard(std::int64_t now) {
    if (!pulled) {
        return lastReading;
    }
    // Past the next pull's due time the device must be starved: wait for it there.
    const double elapsed = std::clamp(static_cast<double>(now - lastPullTime) * framesPerNanosecond,
                                      0.0, static_cast<double>(lastPullFrames));
    const double heard =
        std::clamp(HeardAtLastPull() + elapsed, 0.0, static_cast<double>(musicHanded));
    lastReading = std::max(lastReading, heard);
    return lastReading;
}

bool PlaybackClock::AllHeard() const {
    return complete && HeardAtLastPull() >= static_cast<double>(musicHanded);
}
