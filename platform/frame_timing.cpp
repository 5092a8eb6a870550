#include "platform/frame_timing.h"

#include "platform/backend.h"
#include "platform/recent_median.h"

#include <atomic>

namespace {

// The median of the last frames, so that one slow frame does not move the next; a change of
// pace (another window size, a busy machine) is followed within half as many.
constexpr int framesKept = 15;
// A longer gap is a pause, a seek or a stall, not a frame's drawing.
constexpr std::int64_t longestFrameNs = 250000000;

struct FrameTiming {
    RecentMedian<std::int64_t, framesKept> lead;     // from a frame's reading to its presentation
    RecentMedian<std::int64_t, framesKept> interval; // from one presentation to the next
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
