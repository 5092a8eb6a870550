#include "timed_show.h"

#include "child_run.h"

#include <cstdio>
#include <fstream>
#include <sstream>

double TimedShow::MsTo(const std::string& landmark) const {
    const auto found = landmarks.find(landmark);
    return found == landmarks.end() ? -1.0 : (found->second - startedNs) / 1e6;
}

namespace {

std::optional<TimedShow> ReadNotes(const ChildRun& run, const std::string& notes) {
    std::ifstream file(notes);
    if (run.exitCode != 0 || !file) {
        return std::nullopt;
    }
    TimedShow show{run.startedNs, {}, {}};
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string kind;
        std::int64_t time = 0;
        fields >> kind >> time;
        if (kind == "mark") {
            std::string name;
            std::getline(fields >> std::ws, name);
            show.landmarks.emplace(name, time);
        } else if (kind == "frame") {
            double musicMs = 0.0;
            fields >> musicMs;
            show.frames.push_back({time, musicMs});
        }
    }
    std::remove(notes.c_str());
    return show;
}

} // namespace

std::optional<TimedShow> RunTimedShow(const std::string& mode, int timeoutMs) {
    const std::string notes = BenchFolder() + "/timed-run-notes.txt";
    std::remove(notes.c_str());
    return ReadNotes(RunChild({TUVORAN_TIMED_RUN, mode, notes}, TUVORAN_SOURCE_DIR, -1, timeoutMs),
                     notes);
}

// Wine's drive Z: is the Linux root.
std::optional<TimedShow> RunTimedShowUnderWine(const std::string& program, const std::string& mode,
                                               int timeoutMs) {
    const std::string notes = BenchFolder() + "/timed-run-notes.txt";
    std::remove(notes.c_str());
    return ReadNotes(RunChild({TUVORAN_WINE_RUN, program, mode, "Z:" + notes}, TUVORAN_SOURCE_DIR,
                              -1, timeoutMs),
                     notes);
}
