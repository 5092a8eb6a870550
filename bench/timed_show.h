#pragma once

// The program run as a child through tuvoran-timed-run, and what it noted: when the start-up
// passed its landmarks and when each frame was presented.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct PresentedFrame {
    std::int64_t timeNs;
    double musicMs; // the music heard by then
};

struct TimedShow {
    std::int64_t startedNs; // just before the process was made
    std::map<std::string, std::int64_t> landmarks;
    std::vector<PresentedFrame> frames;

    // Milliseconds from the process's start to the landmark; negative when it was not passed.
    double MsTo(const std::string& landmark) const;
};

// Mode as tuvoran-timed-run takes it: first-frame, whole-show or a number of seconds.
// Nothing when the run failed. The Windows build's tuvoran-timed-run.exe runs under Wine
// when program says so; its times are its own clock's, whose differences alone count.
std::optional<TimedShow> RunTimedShow(const std::string& mode, int timeoutMs);
std::optional<TimedShow> RunTimedShowUnderWine(const std::string& program, const std::string& mode,
                                               int timeoutMs);
