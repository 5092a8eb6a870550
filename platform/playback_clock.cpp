#include "platform/playback_clock.h"

#include <algorithm>

namespace {

// A device is taken for stopped after this many of its pulls' lengths without a pull, and
// never sooner than this, so that a busy machine's late pull is not mistaken for it.
constexpr double stalledPulls = 10.0;
constexpr std::int64_t shortestStallNs = 250000000;
// A device that reports what it holds is still there while it holds music: a sound server
// starting its sink may take over half a second before it asks for more than its first fill.
// It reports its own loss; a silent one is taken for gone after this long.
constexpr std::int64_t shortestReportingStallNs = 2000000000;

} // namespace

PlaybackClock::PlaybackClock(int rate, int latencyFrames, std::int64_t start)
    : framesPerNanosecond(rate / 1e9), latency(latencyFrames), lastPullTime(start) {}

void PlaybackClock::OnPull(std::int64_t now, int musicFrames, int silentFrames, bool musicComplete,
                           int latencyFrames) {
    if (detached) {
        return;
    }
    if (latencyFrames >= 0) {
        latency = reports.Take(latencyFrames);
        reporting = true;
    }
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

double PlaybackClock::FramesHeard(std::int64_t now, std::int64_t aheadNs) {
    const double ahead = static_cast<double>(aheadNs) * framesPerNanosecond;
    if (detached) {
        const double elapsed = static_cast<double>(now - lastPullTime) * framesPerNanosecond;
        lastReading =
            std::max(lastReading, std::min(HeardAtLastPull() + elapsed + ahead, lengthAfterDetach));
        return lastReading;
    }
    if (!pulled) {
        return lastReading;
    }
    // Past the next pull's due time the device must be starved: wait for it there. A reading
    // ahead may reach into music not yet handed, but never past the end of complete music.
    const double elapsed = std::clamp(static_cast<double>(now - lastPullTime) * framesPerNanosecond,
                                      0.0, static_cast<double>(lastPullFrames));
    const double handed =
        static_cast<double>(musicHanded) + (complete ? 0.0 : std::max(ahead, 0.0));
    const double heard = std::clamp(HeardAtLastPull() + elapsed + ahead, 0.0, handed);
    lastReading = std::max(lastReading, heard);
    return lastReading;
}

bool PlaybackClock::AllHeard() const {
    if (detached) {
        return lastReading >= lengthAfterDetach;
    }
    return complete && HeardAtLastPull() >= static_cast<double>(musicHanded);
}

bool PlaybackClock::Stalled(std::int64_t now) const {
    const auto pullNs =
        static_cast<std::int64_t>(stalledPulls * lastPullFrames / framesPerNanosecond);
    return now - lastPullTime >
           std::max(pullNs, reporting ? shortestReportingStallNs : shortestStallNs);
}

void PlaybackClock::Detach(std::int64_t lengthFrames) {
    detached = true;
    lengthAfterDetach = std::max(static_cast<double>(lengthFrames), lastReading);
}
