#pragma once

// The capture's progress on a terminal: one line redrawn in place a few times a second.

#include <chrono>
#include <cstdint>
#include <string>

// "[#####.....]  1234/3960 frames   58.3 fps   0:47 left", to fit width columns.
std::string ProgressLine(std::int64_t done, std::int64_t total, double framesPerSecond, int width);

class ProgressBar {
public:
    // Draws nothing unless shown.
    ProgressBar(bool shown, std::int64_t totalFrames);

    void Update(std::int64_t framesDone);
    // Clears the line, so that what follows starts on an empty one.
    void Clear();

private:
    using Clock = std::chrono::steady_clock;

    const bool shown;
    const std::int64_t total;
    const Clock::time_point start;
    Clock::time_point lastDrawn;
    bool drawn = false;
};
