// The real program, started as a user starts it.

#include "support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace {

constexpr int startupMs = 30000;

// Presses Escape until the program is gone, so that the first press cannot come too early.
int PressEscapeUntilExit(ChildProcess& program) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startupMs);
    while (program.Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        PressKey("Escape");
    }
    return program.Wait(5000);
}

TEST(Program, EscapeEndsTheShowWithExitCodeZero) {
    ChildProcess program({TUVORAN_BINARY});
    EXPECT_EQ(PressEscapeUntilExit(program), 0) << program.ErrorOutput();
}

TEST(Program, TerminationSignalEndsTheShowLikeClosingTheWindow) {
    ChildProcess program({TUVORAN_BINARY});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(startupMs), 0) << program.ErrorOutput();
}

TEST(Program, StartUpFailureIsReportedOnStandardErrorWithExitCodeOne) {
    ChildProcess program({TUVORAN_BINARY, "0", "480", "32"});
    EXPECT_EQ(program.Wait(startupMs), 1);
    EXPECT_EQ(program.ErrorOutput(), "tuvoran: Mode is not valid\n");
}

} // namespace
