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
constexpr std::int64_t longestLeadNs = 250000000;

struct FrameLead {
    std::array<std::int64_t, framesKept> leads{};
    int count = 0;
    std::int64_t median = 0;
};

FrameLead frameLead;
// A stream's end callback may read the time on the device's thread.
std::atomic<std::int64_t> frameBegun{-1};
int extraLatencyMs = 0;

void TakeLead(std::int64_t lead) {
    frameLead.leads[static_cast<std::size_t>(frameLead.count % framesKept)] = lead;
    ++frameLead.count;
    const int kept = std::min(frameLead.count, framesKept);
    std::array<std::int64_t, framesKept> sorted = frameLead.leads;
    std::nth_element(sorted.begin(), sorted.begin() + kept / 2, sorted.begin() + kept);
    frameLead.median = sorted[static_cast<std::size_t>(kept / 2)];
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
    const std::int64_t lead = CurrentBackend().AudioNanoseconds() - begun;
    if (lead >= 0 && lead <= longestLeadNs) {
        TakeLead(lead);
    }
}

std::int64_t FrameLeadNanoseconds() {
    return frameLead.median;
}

void ResetFrameLead() {
    frameLead = FrameLead{};
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
