// The values the start-up reads or computes before any window exists: the display mode on
// the command line, the timer period and the last-error text.

#include "app/application.h"
#include "app/error_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct Mode {
    int width = 640;
    int height = 480;
    int bits = 32;
};

int Parse(const char* commandLine, Mode* mode) {
    return ParseDisplayMode(commandLine, &mode->width, &mode->height, &mode->bits);
}

TEST(CommandLine, ReadsThreeNumbersAfterTheProgramName) {
    Mode mode;
    EXPECT_EQ(Parse("tuvoran 800 600 16", &mode), 1);
    EXPECT_EQ(mode.width, 800);
    EXPECT_EQ(mode.height, 600);
    EXPECT_EQ(mode.bits, 16);

    Mode quoted;
    EXPECT_EQ(Parse("\"/opt/my demos/tuvoran\" 800 600 16", &quoted), 1);
    EXPECT_EQ(quoted.width, 800);
    EXPECT_EQ(quoted.bits, 16);

    Mode trailing;
    EXPECT_EQ(Parse("tuvoran 1024 768 32 --windowed please", &trailing), 1);
    EXPECT_EQ(trailing.width, 1024);
    EXPECT_EQ(trailing.height, 768);
}

TEST(CommandLine, LeavesTheDefaultsUnlessAllThreeAreRead) {
    const char* lines[] = {
        "tuvoran",
        "tuvoran ",
        "tuvoran 800 600",
        "tuvoran wide tall deep",
        "tuvoran 800x600 32",
        "\"/opt/my demos/tuvoran 800 600 16\"", // the numbers are inside the quoted name
        "tuvoran\t800 600 16",                  // only a space ends the program name
        "tuvoran 2147483648 600 16",
        "tuvoran 800 -2147483649 16",
        "tuvoran 800 600 99999999999999999999",
    };
    for (const char* line : lines) {
        Mode mode;
        EXPECT_EQ(Parse(line, &mode), 0) << line;
        EXPECT_EQ(mode.width, 640) << line;
        EXPECT_EQ(mode.height, 480) << line;
        EXPECT_EQ(mode.bits, 32) << line;
    }
}

TEST(CommandLine, TakesTheIntRangeAndSignsAsTheyStand) {
    Mode mode;
    EXPECT_EQ(Parse("tuvoran -1 2147483647 +24", &mode), 1);
    EXPECT_EQ(mode.width, -1);
    EXPECT_EQ(mode.height, INT_MAX);
    EXPECT_EQ(mode.bits, 24);
}

TEST(TimerPeriod, IsTheFinestOfferedAndAtLeastOne) {
    EXPECT_EQ(ChooseTimerPeriod({0, 1000000}), 1u);
    EXPECT_EQ(ChooseTimerPeriod({1, 1000000}), 1u);
    EXPECT_EQ(ChooseTimerPeriod({10, 1000000}), 10u);
    EXPECT_EQ(ChooseTimerPeriod({10, 5}), 5u);
    EXPECT_EQ(ChooseTimerPeriod({0, 0}), 0u);
}

TEST(LastError, StartsAsNoErrorAndCutsLongTexts) {
    EXPECT_STREQ(g_lastError, "No Error");
    SetErrorText("Can not register class");
    EXPECT_STREQ(g_lastError, "Can not register class");

    const std::string longText = "Can not load file : " + std::string(400, 'x');
    SetErrorText(longText.c_str());
    EXPECT_EQ(std::string(g_lastError), longText.substr(0, errorTextCapacity - 1));
}

} // namespace
