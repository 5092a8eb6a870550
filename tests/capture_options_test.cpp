// The capture's command line: what it accepts, and the message for what it does not.

#include "capture/capture_options.h"
#include "capture/progress.h"
#include "tuvoran_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

ParsedCaptureOptions Parse(const std::vector<std::string>& arguments) {
    return ParseCaptureOptions(arguments);
}

TEST(CaptureOptions, DefaultsAreTheWholeShowAt1024By768And60FpsToTheVideoFile) {
    const ParsedCaptureOptions parsed = Parse({});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.width, 1024);
    EXPECT_EQ(parsed.options.height, 768);
    EXPECT_EQ(parsed.options.fps, 60);
    EXPECT_EQ(parsed.options.out, "tuvoran.mp4");
    EXPECT_EQ(parsed.options.pngFolder, "");
    EXPECT_EQ(parsed.options.until, -1);
    EXPECT_FALSE(parsed.options.quiet);
}

TEST(CaptureOptions, ValuesComeAfterTheOptionOrAfterAnEqualsSign) {
    const ParsedCaptureOptions parsed =
        Parse({"--size", "160x120", "--fps=25", "--png", "stills", "--at", "0,20000,50000",
               "--until=50000", "--quiet"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.width, 160);
    EXPECT_EQ(parsed.options.height, 120);
    EXPECT_EQ(parsed.options.fps, 25);
    EXPECT_EQ(parsed.options.pngFolder, "stills");
    EXPECT_EQ(parsed.options.out, "");
    EXPECT_EQ(parsed.options.at, (std::vector<int>{0, 20000, 50000}));
    EXPECT_EQ(parsed.options.until, 50000);
    EXPECT_TRUE(parsed.options.quiet);
}

TEST(CaptureOptions, HelpWinsOverEverythingAfterIt) {
    EXPECT_TRUE(Parse({"--help", "--fps", "0"}).options.help);
    EXPECT_TRUE(Parse({"-h"}).options.help);
}

TEST(CaptureOptions, BadOptionsAndValuesAreNamedInTheMessage) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"video.mp4"}, "unexpected argument 'video.mp4'"},
        {{"--fps"}, "--fps needs a value"},
        {{"--fps", "0"}, "bad value '0' for --fps"},
        {{"--fps", "1001"}, "bad value '1001' for --fps"},
        {{"--fps", "30.5"}, "bad value '30.5' for --fps"},
        {{"--fps", "-5"}, "bad value '-5' for --fps"},
        {{"--size", "640"}, "bad value '640' for --size"},
        {{"--size", "0x480"}, "bad value '0x480' for --size"},
        {{"--size", "640x"}, "bad value '640x' for --size"},
        {{"--size", "640x480x32"}, "bad value '640x480x32' for --size"},
        {{"--size", "99999999999x2"}, "bad value '99999999999x2' for --size"},
        {{"--until", "soon"}, "bad value 'soon' for --until"},
        {{"--png", "d", "--at", "1,,2"}, "bad value '1,,2' for --at"},
        {{"--png", "d", "--at", "1,"}, "bad value '1,' for --at"},
        {{"--out", ""}, "bad value '' for --out"},
        {{"--quiet=yes"}, "--quiet takes no value"},
        {{"--out", "a.mp4", "--png", "d"}, "--out and --png cannot be used together"},
        {{"--at", "100"}, "--at writes pictures: it needs --png DIR"},
        {{"--png", "d", "--at", "100,5000", "--until", "4000"},
         "--at 5000 lies after --until 4000"},
        {{"--size", "161x120"}, "a video needs an even width and height"},
    };
    for (const auto& bad : cases) {
        const std::string error = Parse(bad.arguments).error;
        EXPECT_NE(error.find(bad.message), std::string::npos)
            << bad.arguments.front() << ": " << error;
    }
}

TEST(CaptureOptions, PicturesMayHaveAnOddSize) {
    EXPECT_EQ(Parse({"--png", "d", "--size", "161x121"}).error, "");
}

// The progress line on a terminal, and its time left at the rate so far.
TEST(CaptureProgress, TheLineFitsItsWidthAndFillsWithTheFramesDone) {
    const std::string half = ProgressLine(1980, 3960, 60.0, 79);
    EXPECT_EQ(half.size(), 79u);
    EXPECT_NE(half.find("1980/3960 frames"), std::string::npos) << half;
    EXPECT_NE(half.find("60.0 fps"), std::string::npos) << half;
    EXPECT_NE(half.find("0:33 left"), std::string::npos) << half;
    const std::size_t bar = half.find(']') - 1;
    EXPECT_EQ(std::count(half.begin(), half.end(), '#'), static_cast<long>(bar / 2));

    const std::string starting = ProgressLine(0, 3960, 0.0, 79);
    EXPECT_EQ(std::count(starting.begin(), starting.end(), '#'), 0);
    EXPECT_NE(starting.find("-:-- left"), std::string::npos) << starting;
    const std::string done = ProgressLine(3960, 3960, 64.0, 79);
    EXPECT_EQ(std::count(done.begin(), done.begin() + done.find(']'), '.'), 0);
}

} // namespace

namespace {

TEST(CaptureOptions, KeepAspectIsAFlagAndStretchingTheDefault) {
    EXPECT_FALSE(Parse({}).options.keepAspect);
    const ParsedCaptureOptions parsed = Parse({"--size", "320x180", "--keep-aspect"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.keepAspect);
    EXPECT_EQ(Parse({"--keep-aspect=no"}).error, "--keep-aspect takes no value");
}

TEST(CaptureOptions, VersionIsAnsweredAtOnce) {
    EXPECT_TRUE(Parse({"--version", "--fps", "0"}).options.version);
    EXPECT_TRUE(Parse({"--verbose", "--version"}).options.verbose);
    EXPECT_TRUE(Parse({"--version", "--fps", "0", "--verbose"}).options.verbose);
    EXPECT_EQ(Parse({"--verbose"}).error, "--verbose goes with --version only");
    EXPECT_EQ(CaptureVersion(), "tuvoran-capture " TUVORAN_VERSION "\n");
}

} // namespace
