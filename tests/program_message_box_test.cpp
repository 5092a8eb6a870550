// The start-up's message box on a real X display: the program in a folder whose data lacks
// a picture shows the box until it is closed, or until a signal ends the run at once; no
// box is left on the screen either way.

#include "app/error_text.h"
#include "support/fake_run.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

constexpr int startupMs = 30000;
// A signal or a key must end the run within this, whatever the box is doing.
constexpr int promptMs = 2000;

class ProgramMessageBox : public ::testing::Test {
protected:
    ProgramMessageBox() { folder.Remove("blanconick.jpg"); }

    // Started with boxes allowed, as from a desktop.
    ChildProcess Start() const {
        return ChildProcess({TUVORAN_BINARY}, {"TUVORAN_NO_MESSAGE_BOX="}, folder.Path());
    }

    static bool BoxShown() { return WindowShown(projectName); }

    // The box is up, and the text went to standard error before it.
    static void ExpectBoxUp(ChildProcess& program) {
        ASSERT_TRUE(WaitUntil([&program] { return BoxShown() || !program.Running(); }, startupMs));
        ASSERT_TRUE(program.Running()) << program.ErrorOutput();
        ASSERT_TRUE(BoxShown());
        EXPECT_EQ(program.ErrorOutput(), "tuvoran: Can not load file : data\\blanconick.jpg\n");
    }

    ShowFolder folder;
};

TEST_F(ProgramMessageBox, EachTerminationSignalEndsTheRunAtOnceAndTakesTheBoxAway) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        ChildProcess program = Start();
        ExpectBoxUp(program);
        program.Signal(signal);
        EXPECT_EQ(program.Wait(promptMs), 1);
        EXPECT_TRUE(WaitUntil([] { return !BoxShown(); }, promptMs));
    }
}

TEST_F(ProgramMessageBox, ReturnOrEscapeOnTheBoxClosesItAndEndsTheRun) {
    for (const char* key : {"Return", "Escape"}) {
        SCOPED_TRACE(key);
        ChildProcess program = Start();
        ExpectBoxUp(program);
        ASSERT_TRUE(FocusWindow(projectName));
        ASSERT_TRUE(PressKey(key));
        EXPECT_EQ(program.Wait(promptMs), 1);
        EXPECT_TRUE(WaitUntil([] { return !BoxShown(); }, promptMs));
    }
}

TEST_F(ProgramMessageBox, AProgramKilledOutrightLeavesNoBoxBehind) {
    ChildProcess program = Start();
    ExpectBoxUp(program);
    program.Signal(SIGKILL);
    EXPECT_EQ(program.Wait(promptMs), 128 + SIGKILL);
    EXPECT_TRUE(WaitUntil([] { return !BoxShown(); }, promptMs));
}

} // namespace
