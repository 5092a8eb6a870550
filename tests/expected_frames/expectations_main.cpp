// Writes the show's expected look again after an intended change (make expectations): the
// capture's stills of the whole show, measured, saved over the committed expectations, and
// a review sheet of old and new to look at before committing them.

#include "app/run_demo.h"
#include "capture/capture.h"
#include "expected_frames/expected_frames.h"
#include "platform/argument_vector.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace expected_frames;

constexpr int showFps = 60;

int Fail(const std::string& message) {
    std::fprintf(stderr, "tuvoran-expectations: %s\n", message.c_str());
    return 1;
}

bool Run(std::vector<std::string> arguments) {
    std::vector<char*> argv = ArgumentVector(arguments);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Every moment at which the capture draws a frame.
int MomentsOfShow() {
    const std::int64_t frames = ShowFrameCount(musicPath, showFps);
    if (frames <= 0) {
        return 0;
    }
    const std::int64_t lastFrameMs = (frames - 1) * 1000 / showFps;
    return static_cast<int>(lastFrameMs / stepMs) + 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: tuvoran-expectations CAPTURE-PROGRAM EXPECTATIONS.png STILLS-DIR "
                     "REVIEW.png\n"
                     "Run from the folder whose data/ the show plays.\n");
        return 2;
    }
    const std::string capture = argv[1];
    const std::string expectations = argv[2];
    const fs::path stills = argv[3];
    const std::string review = argv[4];

    const int moments = MomentsOfShow();
    if (moments == 0) {
        return Fail(std::string("cannot measure the show's length from ") + musicPath);
    }
    // The stills of an earlier run alone: the folder is the caller's, and may hold anything.
    for (int moment = 0; moment < moments; ++moment) {
        std::error_code ignored;
        fs::remove(stills / StillName(moment), ignored);
    }
    std::vector<std::string> command{capture};
    const std::vector<std::string> arguments = CaptureArguments(moments, stills.string());
    command.insert(command.end(), arguments.begin(), arguments.end());
    if (!Run(command)) {
        return Fail("the capture failed: " + capture);
    }

    ShowLook look(moments);
    for (int moment = 0; moment < moments; ++moment) {
        const std::string still = (stills / StillName(moment)).string();
        FIBITMAP* const frame = FreeImage_Load(FIF_PNG, still.c_str(), PNG_DEFAULT);
        const bool measured = MeasureFrame(frame, &look[moment]);
        if (frame != nullptr) {
            FreeImage_Unload(frame);
        }
        if (!measured) {
            return Fail("cannot read the still " + still);
        }
    }

    const ShowLook before = LoadShowLook(expectations);
    int changed = static_cast<int>(look.size() > before.size() ? look.size() - before.size()
                                                               : before.size() - look.size());
    for (std::size_t moment = 0; moment < std::min(look.size(), before.size()); ++moment) {
        changed += CompareFrames(before[moment], look[moment]).empty() ? 0 : 1;
    }
    if (!SaveReviewSheet(before, look, review)) {
        return Fail("cannot write " + review);
    }
    if (!SaveShowLook(look, expectations)) {
        return Fail("cannot write " + expectations);
    }
    std::printf("%d moments, %d of them beyond the tolerance of the expectations before.\n"
                "Wrote %s; review old, new and their difference in %s before committing.\n",
                moments, changed, expectations.c_str(), review.c_str());
    return 0;
}
