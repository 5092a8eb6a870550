// The live program's command line: options anywhere among the display mode's numbers, the
// answers that end the program before it opens anything, and the messages for mistakes.

#include "app/live_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

ParsedLiveOptions Parse(const std::vector<std::string>& arguments) {
    return ParseLiveOptions(arguments);
}

using Arguments = std::vector<std::string>;

TEST(LiveOptions, OptionsMayStandBeforeBetweenOrAfterTheNumbers) {
    const Arguments expected{"800", "600", "16"};
    const Arguments commandLines[] = {
        {"--window", "--keep-aspect", "800", "600", "16"},
        {"800", "--window", "600", "--keep-aspect", "16"},
        {"800", "600", "16", "--keep-aspect", "--window"},
    };
    for (const Arguments& arguments : commandLines) {
        const ParsedLiveOptions parsed = Parse(arguments);
        ASSERT_EQ(parsed.error, "") << arguments.front();
        EXPECT_EQ(parsed.options.showArguments, expected) << arguments.front();
        EXPECT_TRUE(parsed.options.view.windowed);
        EXPECT_TRUE(parsed.options.view.keepAspect);
    }
}

TEST(LiveOptions, WithoutOptionsTheShowIsFullScreenAndStretched) {
    const ParsedLiveOptions parsed = Parse({"800", "600"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_FALSE(parsed.options.view.windowed);
    EXPECT_FALSE(parsed.options.view.keepAspect);
    EXPECT_FALSE(parsed.options.help || parsed.options.version);
}

// The show refuses a negative height with its own message, and takes what follows "--".
TEST(LiveOptions, SignedNumbersAndEverythingAfterADoubleDashAreTheShows) {
    const struct {
        Arguments arguments;
        Arguments show;
    } cases[] = {
        {{"800", "600"}, {"800", "600"}},
        {{"640", "-480", "+32"}, {"640", "-480", "+32"}},
        {{"--keep-aspect", "--", "--window", "1"}, {"--window", "1"}},
    };
    for (const auto& test : cases) {
        const ParsedLiveOptions parsed = Parse(test.arguments);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.showArguments, test.show);
        EXPECT_FALSE(parsed.options.view.windowed);
    }
}

TEST(LiveOptions, TheWindowIs640By480UnlessASizeIsGiven) {
    const ViewOptions plain = Parse({"--window"}).options.view;
    EXPECT_EQ(plain.windowWidth, 640);
    EXPECT_EQ(plain.windowHeight, 480);

    const ViewOptions joined = Parse({"--window=1280x720"}).options.view;
    EXPECT_EQ(joined.windowWidth, 1280);
    EXPECT_EQ(joined.windowHeight, 720);

    const ParsedLiveOptions apart = Parse({"--window", "800x450", "1024", "768", "32"});
    EXPECT_EQ(apart.options.view.windowWidth, 800);
    EXPECT_EQ(apart.options.view.windowHeight, 450);
    EXPECT_EQ(apart.options.showArguments, (Arguments{"1024", "768", "32"}));
}

TEST(LiveOptions, AWindowMayBePlacedAndTheStateFileNamed) {
    const ParsedLiveOptions placed =
        Parse({"--window=320x240-20+35", "--state-file", "/tmp/state", "800", "600", "16"});
    ASSERT_EQ(placed.error, "");
    const ViewOptions& view = placed.options.view;
    EXPECT_TRUE(view.windowed && view.placed);
    EXPECT_EQ(view.windowWidth, 320);
    EXPECT_EQ(view.windowHeight, 240);
    EXPECT_EQ(view.windowX, -20);
    EXPECT_EQ(view.windowY, 35);
    EXPECT_EQ(placed.options.controls.stateFile, "/tmp/state");
    EXPECT_EQ(placed.options.showArguments, (Arguments{"800", "600", "16"}));

    const ParsedLiveOptions apart = Parse({"--window", "640x480-5-6", "--state-file=s"});
    ASSERT_EQ(apart.error, "");
    EXPECT_EQ(apart.options.view.windowX, -5);
    EXPECT_EQ(apart.options.view.windowY, -6);
    EXPECT_EQ(apart.options.controls.stateFile, "s");
    // Without a place, the window is centred as before; without the file, nothing is written.
    const LiveOptions plain = Parse({"--window=320x240"}).options;
    EXPECT_FALSE(plain.view.placed);
    EXPECT_EQ(plain.controls.stateFile, "");
}

// What --state-file writes is read back by the same command line as the same show.
TEST(LiveOptions, TheStateFilesOptionsStartTheShowAgainWhereItWas) {
    ViewOptions window;
    window.windowed = true;
    window.windowWidth = 500;
    window.windowHeight = 300;
    window.windowX = -7;
    window.windowY = 40;
    const std::string written = ResumeOptions(20016, true, &window);
    EXPECT_EQ(written, "--at=20016 --pause --window=500x300-7+40");
    Arguments arguments;
    std::istringstream words(written);
    for (std::string word; words >> word;) {
        arguments.push_back(word);
    }
    const ParsedLiveOptions parsed = Parse(arguments);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.controls.startMs, 20016);
    EXPECT_TRUE(parsed.options.controls.paused);
    EXPECT_TRUE(parsed.options.view.placed);
    EXPECT_EQ(parsed.options.view.windowX, -7);
    EXPECT_EQ(parsed.options.view.windowWidth, 500);

    // Playing, or full screen, or a window the backend cannot tell of: only what is known.
    ViewOptions fullScreen;
    EXPECT_EQ(ResumeOptions(0, false, &fullScreen), "--at=0");
    EXPECT_EQ(ResumeOptions(5, false, nullptr), "--at=5");
}

// Negative where the screen is the slower; given after '=' or as the next argument.
TEST(LiveOptions, TheAudioLatencyIsTakenFromMinusToPlusOneSecond) {
    EXPECT_EQ(Parse({"800", "600"}).options.audioLatencyMs, 0);
    const struct {
        Arguments arguments;
        int ms;
    } cases[] = {
        {{"--audio-latency=150"}, 150},
        {{"--audio-latency", "-40"}, -40},
        {{"--audio-latency=+1000"}, 1000},
        {{"--audio-latency=-1000", "800", "600"}, -1000},
        {{"--audio-latency", "0", "--window"}, 0},
    };
    for (const auto& test : cases) {
        const ParsedLiveOptions parsed = Parse(test.arguments);
        ASSERT_EQ(parsed.error, "") << test.arguments.front();
        EXPECT_EQ(parsed.options.audioLatencyMs, test.ms) << test.arguments.back();
    }
}

TEST(LiveOptions, MistakesAreNamedInTheMessage) {
    const struct {
        Arguments arguments;
        const char* message;
    } cases[] = {
        {{"--fullscreen"}, "unknown option '--fullscreen'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-"}, "unknown option '-'"},
        {{"800", "600", "32", "--frobnicate=yes"}, "unknown option '--frobnicate'"},
        {{"--window="}, "bad value '' for --window"},
        {{"--window=800"}, "bad value '800' for --window"},
        {{"--window=0x480"}, "bad value '0x480' for --window"},
        {{"--window=640x16385"}, "bad value '640x16385' for --window"},
        {{"--window=-640x480"}, "bad value '-640x480' for --window"},
        {{"--window=640x480+10"}, "bad value '640x480+10' for --window"},
        {{"--window=640x480+10+"}, "bad value '640x480+10+' for --window"},
        {{"--window=640x480+1+2+3"}, "bad value '640x480+1+2+3' for --window"},
        {{"--window=640x480+x+2"}, "bad value '640x480+x+2' for --window"},
        {{"--window=640x480+99999+0"}, "bad value '640x480+99999+0' for --window"},
        {{"--state-file"}, "--state-file needs a value"},
        {{"--audio-latency"}, "--audio-latency needs a value"},
        {{"--audio-latency=1001"},
         "bad value '1001' for --audio-latency: give milliseconds from -1000 to 1000"},
        {{"--audio-latency", "-1001"}, "bad value '-1001' for --audio-latency"},
        {{"--audio-latency=20ms"}, "bad value '20ms' for --audio-latency"},
        {{"--audio-latency=--5"}, "bad value '--5' for --audio-latency"},
        {{"--state-file="}, "bad value '' for --state-file"},
        {{"--keep-aspect=yes"}, "--keep-aspect takes no value"},
        {{"--version=2"}, "--version takes no value"},
    };
    for (const auto& test : cases) {
        const std::string error = Parse(test.arguments).error;
        EXPECT_EQ(error.rfind(test.message, 0), 0u) << error;
    }
}

TEST(LiveOptions, HelpAndVersionAreAnsweredAtOnceWhateverFollows) {
    EXPECT_TRUE(Parse({"-h", "--bogus"}).options.help);
    EXPECT_TRUE(Parse({"800", "--help", "--window=1x"}).options.help);
    EXPECT_TRUE(Parse({"--version", "--bogus"}).options.version);
    // --verbose widens a --version on either side of it, and means nothing on its own.
    EXPECT_TRUE(Parse({"--version", "--bogus", "--verbose"}).options.verbose);
    EXPECT_TRUE(Parse({"--verbose", "--version"}).options.verbose);
    EXPECT_FALSE(Parse({"--version", "--", "--verbose"}).options.verbose);
    EXPECT_EQ(Parse({"--verbose", "800", "600", "32"}).error, "--verbose goes with --version only");
    // A mistake before them is still a mistake.
    EXPECT_NE(Parse({"--bogus", "--help"}).error, "");
}

} // namespace
