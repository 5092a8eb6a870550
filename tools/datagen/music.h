#pragma once

// The show's music: 66 seconds in A minor at 120 beats per minute, so every whole second
// falls on a beat and the show's moments land on beats.

#include "tools/datagen/synth.h"

#include <vector>

namespace datagen {

constexpr double musicSeconds = 66.0;
constexpr double beatSeconds = 0.5;
constexpr std::size_t musicFrames = static_cast<std::size_t>(musicSeconds * sampleRate);

struct ShowMoment {
    double seconds;
    const char* picture; // what the show does then
    const char* music;   // what the music does then
};

// The show's moments and what the music puts on each.
const std::vector<ShowMoment>& ShowMoments();

// The mix before mastering.
StereoBuffer ComposeMusic();

} // namespace datagen
