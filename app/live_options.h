#pragma once

// The live program's command line: its options, and the show's own arguments (the display
// mode) passed through untouched in their order, wherever the options stand among them.

#include "app/show_controls.h"
#include "platform/view.h"

#include <string>
#include <vector>

struct LiveOptions {
    ViewOptions view;
    ShowControlOptions controls;
    std::vector<std::string> showArguments;
    int audioLatencyMs = 0; // the sound is heard this much later than its device reports
    bool help = false;
    bool version = false;
    bool verbose = false; // with version: what the computer gives the show too
};

struct ParsedLiveOptions {
    LiveOptions options;
    std::string error; // empty when the command line was understood
};

// arguments: the command line after the program name.
ParsedLiveOptions ParseLiveOptions(const std::vector<std::string>& arguments);
std::string LiveUsage(const std::string& programName);
// "tuvoran 1.0.0", or "tuvoran 1.0.0~dev.N+g<commit>" from a commit before the release (as
// packaging/version_of.cmake tells), and a line end.
std::string LiveVersion();

// The options that start the show again at ms, paused or not, in the window view describes
// when it is one (view null or full screen: none), as --state-file writes them.
std::string ResumeOptions(int ms, bool paused, const ViewOptions* view);
