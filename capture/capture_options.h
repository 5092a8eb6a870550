#pragma once

// The capture's command line.

#include <string>
#include <vector>

struct CaptureOptions {
    int width = 1024;
    int height = 768;
    int fps = 60;
    std::string out; // the video file; empty with pngFolder
    std::string pngFolder;
    std::vector<int> at; // milliseconds, as given
    int from = 0;        // milliseconds: the capture starts with the first frame at or after
    int until = -1;      // milliseconds; -1: to the end of the show
    bool quiet = false;
    bool keepAspect = false; // the canvas's 4:3 shape with black bars in a --size of another
    bool help = false;
    bool version = false;
    bool verbose = false; // with version: what the computer gives the capture too
};

struct ParsedCaptureOptions {
    CaptureOptions options;
    std::string error; // empty when the command line was understood
};

constexpr char defaultVideoFile[] = "tuvoran.mp4";

// arguments: the command line after the program name.
ParsedCaptureOptions ParseCaptureOptions(const std::vector<std::string>& arguments);
std::string CaptureUsage(const std::string& programName);
// "tuvoran-capture " and the version, as LiveVersion, and a line end.
std::string CaptureVersion();
