#pragma once

// A program run as a child process, as a user would start it, watched from outside.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct ChildRun {
    std::int64_t startedNs; // the monotonic clock just before the child was made
    int exitCode;           // -1 when it had to be killed
    long peakResidentKiB;   // the child's largest resident set
};

// Runs arguments[0] in folder with its output discarded until it ends. It is sent SIGTERM,
// which the program takes as a close request, after terminateAfterMs when that is not
// negative, and killed after timeoutMs.
ChildRun RunChild(const std::vector<std::string>& arguments, const std::string& folder,
                  int terminateAfterMs, int timeoutMs);

// Runs arguments[0] in folder until it ends, and gives the milliseconds from just before it
// was made to when it wrote line on its standard output; negative when it did not, or did
// not end well within timeoutMs. For a child whose own clock cannot be read here: a program
// under Wine keeps Windows' time.
double MsToOutputLine(const std::vector<std::string>& arguments, const std::string& folder,
                      const std::string& line, int timeoutMs);

// The largest resident set of a running process so far, in KiB; 0 when it cannot be read.
long PeakResidentKiB(pid_t pid);
// Starts this process's high-water mark again from its present resident set.
void ResetPeakResident();

// The monotonic clock that the timed program reports in, in nanoseconds.
std::int64_t MonotonicNs();

// Where the benchmark program lies; files it writes go there too.
std::string BenchFolder();
