#include "platform/frame_timing.h"

#include "platform/steady_time.h"

#include <algorithm>
#include <array>

namespace {

// The median of the last frames, so that one slow frame does not move the next; a change of
// pace (another window size, a busy machine) is followed within half as many.
constexpr int framesKept = 15;
// A longer gap is a pause, a seek or a stall, not a frame's drawing.
constexpr std::int64_t longestLeadNs = 250000000;

struct FrameLead {
    std::int64_t begun = -1;
    std::array<std::int64_t, framesKept> leads{};
    int count = 0;
    std::int64_t median = 0;
};

FrameLead frameLead;
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

void NoteFrameBegun() {
    frameLead.begun = SteadyNanoseconds();
}

void NoteFramePresented() {
    if (frameLead.begun < 0) {
        return;
    }
    const std::int64_t lead = SteadyNanoseconds() - frameLead.begun;
    frameLead.begun = -1;
    if (lead >= 0 && lead <= longestLeadNs) {
        TakeLead(lead);
    }
}

std::int64_t FrameLeadNanoseconds() {
    return frameLead.median;
}

void ResetFrameLead() {
    frameLead = FrameLead{};
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
