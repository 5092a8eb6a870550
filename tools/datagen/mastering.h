#pragma once

// The last stage of the music: level measurement after ITU-R BS.1770 (K-weighting, 400 ms
// blocks, absolute and relative gates), a look-ahead peak limiter and the final fades.

#include "tools/datagen/synth.h"

#include <vector>

namespace datagen {

// Integrated loudness in LUFS of a stereo signal; -70 or below for silence.
double IntegratedLoudness(const std::vector<float>& left, const std::vector<float>& right,
                          int rate);

// The largest absolute sample of either side, in dBFS.
double PeakDecibels(const std::vector<float>& left, const std::vector<float>& right);

// Scales the signal down where needed so that no sample exceeds ceiling (linear), with
// gain changes that begin lookahead seconds before a peak and recover over release.
void Limit(StereoBuffer& buffer, double ceiling, double lookahead, double release);

struct MasterSettings {
    double loudness = -14.0; // LUFS
    double ceiling = -1.6;   // dBFS, sample peak
    double fadeOutStart = 61.0;
};

struct MasterResult {
    double loudness = 0.0;
    double peak = 0.0;
};

// Removes the deepest rumble, brings the loudness to the target while the limiter holds the
// ceiling, fades in over 10 ms and out from fadeOutStart to the end.
MasterResult Master(StereoBuffer& buffer, const MasterSettings& settings);

} // namespace datagen
