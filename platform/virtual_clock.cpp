#include "platform/virtual_clock.h"

std::int64_t VirtualClock::FrameAtOrAfter(std::int64_t timeMs) const {
    // The smallest index with index * 1000 / fps >= timeMs.
    return timeMs <= 0 ? 0 : (timeMs * fps + 999) / 1000;
}

std::int64_t VirtualClock::AudioFramesAt(std::int64_t index, int rate) const {
    return (MillisecondsAt(index) * rate + 999) / 1000;
}

std::int64_t VirtualClock::FramesBeforeAudioEnds(std::int64_t lengthFrames, int rate) const {
    // The music ends in the presentation of the frame after which it has all been taken.
    std::int64_t index = 1;
    while (AudioFramesAt(index, rate) < lengthFrames) {
        ++index;
    }
    return index;
}
