#include "platform/frame_timing.h"

#include "platform/backend.h"

#include <algorithm>
#include <array>
#include <atomic>

namespace {

// The median of the last frames, so that one slow frame does not move the next; a change of
// pace (another window size, a busy machine) is followed within half as many.
constexpr int framesKept = 15;
// A longer gap is a pause, a seek or a stall, not a frame's drawing.
constexpr std::int64_t longestFrameNs = 250000000;

class RecentMedian {
public:
    void Take(std::int64_t value) {
        values[static_cast<std::size_t>(count % framesKept)] = value;
        ++count;
        const int kept = std::min(count, framesKept);
        std::array<std::int64_t, framesKept> sorted = values;
        std::nth_element(sorted.begin(), sorted.begin() + kept / 2, sorted.begin() + kept);
        median = sorted[static_cast<std::size_t>(kept / 2)];
    }
    std::int64_t Median() const { return median; }

private:
    std::array<std::int64_t, framesKept> values{};
    int count = 0;
    std::int64_t median = 0;
};

struct FrameTiming {
    RecentMedian lead;     // from the reading of a frame's time to its presentation
    RecentMedian interval; // from one presentation to the next
    std::int64_t lastPresented = -1;
};

FrameTiming timing;
// A stream's end callback may read the time on the device's thread.
std::atomic<std::int64_t> frameBegun{-1};
int extraLatencyMs = 0;

bool LikeAFrame(std::int64_t span) {
    return span >= 0 && span <= longestFrameNs;
}

} // namespace

// On the clock that the sound keeps time with, which is what the lead is added to.
void NoteFrameBegun() {
    frameBegun = CurrentBackend().AudioNanoseconds();
}

void NoteFramePresented() {
    const std::int64_t begun = frameBegun.exchange(-1);
    if (begun < 0) {
        return;
    }
    const std::int64_t now = CurrentBackend().AudioNanoseconds();
    if (LikeAFrame(now - begun)) {
        timing.lead.Take(now - begun);
    }
    if (timing.lastPresented >= 0 && LikeAFrame(now - timing.lastPresented)) {
        timing.interval.Take(now - timing.lastPresented);
    }
    timing.lastPresented = now;
}

std::int64_t FrameLeadNanoseconds() {
    return timing.lead.Median() + timing.interval.Median() / 2;
}

void ResetFrameLead() {
    timing = FrameTiming{};
    frameBegun = -1;
}

void SetExtraAudioLatency(int ms) {
    extraLatencyMs = ms;
}

int ExtraAudioLatency() {
    return extraLatencyMs;
}

std::int64_t PictureAheadNanoseconds() {
    return FrameLeadNanoseconds() - static_cast<std::int64_t>(extraLatencyMs) * 1000000;
}
