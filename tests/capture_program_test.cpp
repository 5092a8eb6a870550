// The capture program, started as a user starts it, in a folder of its own that holds the
// show's data and receives what it writes.

#include "platform/virtual_clock.h"
#include "support/process.h"
#include "support/test_files.h"
#include "tuvoran_version.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int captureMs = 110000;
constexpr std::int64_t musicFrames = std::int64_t{66} * 44100; // data/muzak.mp3, played gaplessly

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool EncoderInstalled() {
    return std::system("command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null") == 0;
}

// ffprobe's view of one stream of a video: its fields by name, frames counted by decoding.
std::map<std::string, std::string> Probe(const std::string& file, const char* stream) {
    const std::string command = std::string("ffprobe -v error -count_frames -select_streams ") +
                                stream +
                                " -show_entries stream=codec_name,nb_read_frames,start_time,"
                                "duration,width,height -of default=noprint_wrappers=1 '" +
                                file + "'";
    std::map<std::string, std::string> fields;
    std::FILE* output = popen(command.c_str(), "r");
    if (output == nullptr) {
        return fields;
    }
    char line[256];
    while (std::fgets(line, sizeof(line), output) != nullptr) {
        std::string text(line);
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            fields[text.substr(0, equals)] = text.substr(equals + 1, text.find('\n') - equals - 1);
        }
    }
    pclose(output);
    return fields;
}

// Pixels of a still, counted in a rectangle given on the show's 1024 x 768 canvas.
class Still {
public:
    explicit Still(const std::string& path)
        : picture(FreeImage_Load(FIF_PNG, path.c_str(), PNG_DEFAULT)) {}
    ~Still() {
        if (picture != nullptr) {
            FreeImage_Unload(picture);
        }
    }
    Still(const Still&) = delete;
    Still& operator=(const Still&) = delete;

    bool Loaded() const { return picture != nullptr; }

    // Pixels whose red, green and blue are all above level: near white.
    int BrightAround(float x, float y, float halfWidth, float halfHeight, int level) const {
        return Count(x, y, halfWidth, halfHeight, [level](const RGBQUAD& c) {
            return c.rgbRed > level && c.rgbGreen > level && c.rgbBlue > level;
        });
    }

    int LitAnywhere() const {
        return Count(512.0f, 384.0f, 512.0f, 384.0f, [](const RGBQUAD& c) {
            return c.rgbRed > 0 || c.rgbGreen > 0 || c.rgbBlue > 0;
        });
    }

private:
    template <typename Test>
    int Count(float x, float y, float halfWidth, float halfHeight, Test test) const {
        const int width = static_cast<int>(FreeImage_GetWidth(picture));
        const int height = static_cast<int>(FreeImage_GetHeight(picture));
        const float toX = width / 1024.0f;
        const float toY = height / 768.0f;
        int count = 0;
        for (int row = static_cast<int>((y - halfHeight) * toY);
             row < static_cast<int>((y + halfHeight) * toY); ++row) {
            for (int column = static_cast<int>((x - halfWidth) * toX);
                 column < static_cast<int>((x + halfWidth) * toX); ++column) {
                RGBQUAD colour{};
                // The library counts rows from the bottom.
                FreeImage_GetPixelColor(picture, column, height - 1 - row, &colour);
                count += test(colour) ? 1 : 0;
            }
        }
        return count;
    }

    FIBITMAP* picture;
};

// Mean difference per channel between two pictures of one size, the second optionally
// turned upside down; -1 when either cannot be read.
double MeanDifference(const std::string& first, const std::string& second, bool flipSecond) {
    FIBITMAP* a = FreeImage_Load(FIF_PNG, first.c_str(), PNG_DEFAULT);
    FIBITMAP* b = FreeImage_Load(FIF_PNG, second.c_str(), PNG_DEFAULT);
    double difference = -1.0;
    if (a != nullptr && b != nullptr && FreeImage_GetWidth(a) == FreeImage_GetWidth(b) &&
        FreeImage_GetHeight(a) == FreeImage_GetHeight(b)) {
        const unsigned width = FreeImage_GetWidth(a);
        const unsigned height = FreeImage_GetHeight(a);
        double total = 0.0;
        for (unsigned y = 0; y < height; ++y) {
            for (unsigned x = 0; x < width; ++x) {
                RGBQUAD p{};
                RGBQUAD q{};
                FreeImage_GetPixelColor(a, x, y, &p);
                FreeImage_GetPixelColor(b, x, flipSecond ? height - 1 - y : y, &q);
                total += std::abs(p.rgbRed - q.rgbRed) + std::abs(p.rgbGreen - q.rgbGreen) +
                         std::abs(p.rgbBlue - q.rgbBlue);
            }
        }
        difference = total / (3.0 * width * height);
    }
    FreeImage_Unload(a);
    FreeImage_Unload(b);
    return difference;
}

class CaptureProgram : public ::testing::Test {
protected:
    CaptureProgram() {
        const fs::path data = fs::path(TUVORAN_SOURCE_DIR) / "data";
        for (const auto& entry : fs::directory_iterator(data)) {
            fs::create_symlink(entry.path(),
                               folder.File("data/" + entry.path().filename().string()));
        }
    }

    struct Result {
        int exitCode;
        std::string errors;
    };

    Result Capture(const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {}) const {
        std::vector<std::string> command{TUVORAN_CAPTURE_BINARY};
        command.insert(command.end(), arguments.begin(), arguments.end());
        ChildProcess capture(command, environment, folder.Path());
        const int exitCode = capture.Wait(captureMs);
        return {exitCode, capture.ErrorOutput()};
    }

    std::string Path(const std::string& name) const { return folder.Path() + "/" + name; }

    TemporaryFolder folder;
};

TEST_F(CaptureProgram, BadCommandLinesExitWithCode2AndSayWhatIsWrong) {
    const std::vector<std::vector<std::string>> commandLines = {{"--fps", "0"}, {"--size", "big"},
                                                                {"--colour"},   {"--at", "1000"},
                                                                {"--until"},    {"--verbose"}};
    for (const auto& arguments : commandLines) {
        const Result result = Capture(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.front();
        EXPECT_EQ(result.errors.rfind("tuvoran-capture: ", 0), 0u) << result.errors;
        EXPECT_NE(result.errors.find("--help"), std::string::npos) << result.errors;
    }
    EXPECT_EQ(Capture({"--help"}).exitCode, 0);
}

// The driver that draws the frames needs no display, and no sound device is used.
TEST_F(CaptureProgram, VersionVerboseNamesTheRendererAndDecoder) {
    const CommandOutput report =
        RunCommand("env -u DISPLAY '" TUVORAN_CAPTURE_BINARY "' --version --verbose 2>/dev/null");
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(report.text.rfind("tuvoran-capture " TUVORAN_VERSION "\nOpenGL vendor: ", 0), 0u)
        << report.text;
    for (const char* line : {"\nOpenGL renderer: llvmpipe", "\nSound device: none (the capture",
                             "\nMusic decoder: libmpg123 "}) {
        EXPECT_NE(report.text.find(line), std::string::npos) << line << " in " << report.text;
    }
}

TEST_F(CaptureProgram, WithoutTheEncoderItSaysSoBeforeDrawingAnything) {
    fs::create_directories(Path("empty"));
    const Result result = Capture({"--out", "show.mp4", "--quiet"}, {"PATH=" + Path("empty")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("tuvoran-capture: ffmpeg is not on the PATH"), std::string::npos)
        << result.errors;
    EXPECT_EQ(result.errors.find("frames"), std::string::npos) << result.errors;
    EXPECT_FALSE(fs::exists(Path("show.mp4")));
}

TEST_F(CaptureProgram, AStartUpFailureIsReportedAsByTheLiveProgram) {
    fs::remove(Path("data/image.jpg"));
    const Result result = Capture({"--png", "stills", "--size", "64x48"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors, "tuvoran-capture: Can not load file : data\\image.jpg\n");
    EXPECT_TRUE(fs::is_empty(Path("stills")));
}

// What EGL and Mesa said follows the message: no driver could be loaded, or no EGL vendor
// library is installed at all.
TEST_F(CaptureProgram, AnOpenGLThatCannotStartGivesEglsReasonBelowTheMessage) {
    fs::create_directories(Path("no-drivers"));
    const std::pair<std::string, std::string> cases[] = {
        {"LIBGL_DRIVERS_PATH=" + Path("no-drivers"),
         "no GL context: eglInitialize: EGL_NOT_INITIALIZED (DRI2: "},
        {"__EGL_VENDOR_LIBRARY_FILENAMES=" + Path("no-vendor.json"),
         "no GL context: eglGetPlatformDisplay: EGL_BAD_PARAMETER\n"},
    };
    for (const auto& [environment, reason] : cases) {
        const Result result = Capture({"--png", "stills", "--size", "64x48"}, {environment});
        EXPECT_EQ(result.exitCode, 1) << environment;
        // Mesa's loader writes its own warning first.
        const std::string lines =
            "tuvoran-capture: Can not create GL context\ntuvoran-capture: " + reason;
        EXPECT_NE(result.errors.find(lines), std::string::npos) << result.errors;
        EXPECT_TRUE(fs::is_empty(Path("stills")));
    }
}

TEST_F(CaptureProgram, StillsShowWhatTheTimelineHasOnTheScreenAtTheirTimes) {
    const Result result =
        Capture({"--png", "stills", "--at", "0,20000,50000", "--size", "512x384", "--fps", "10"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;

    const Still start(Path("stills/at-0.png"));
    ASSERT_TRUE(start.Loaded());
    EXPECT_EQ(start.LitAnywhere(), 0);

    // The four credit words on their band, tinted a little by the grid over them.
    const Still credits(Path("stills/at-20000.png"));
    ASSERT_TRUE(credits.Loaded());
    for (const float x : {100.0f, 350.0f, 600.0f, 850.0f}) {
        EXPECT_GT(credits.BrightAround(x, 384.0f, 60.0f, 30.0f, 150), 20) << x;
        EXPECT_EQ(credits.BrightAround(x, 200.0f, 60.0f, 30.0f, 150), 0) << x;
    }

    // The closing title in the middle, over the grid.
    const Still title(Path("stills/at-50000.png"));
    ASSERT_TRUE(title.Loaded());
    EXPECT_GT(title.BrightAround(512.0f, 384.0f, 200.0f, 40.0f, 200), 30);
    EXPECT_EQ(title.BrightAround(512.0f, 100.0f, 200.0f, 40.0f, 200), 0);
    EXPECT_TRUE(fs::exists(Path("stills/music.wav")));
}

TEST_F(CaptureProgram, AStillAfterTheEndOfTheShowIsReportedAsMissing) {
    const Result result =
        Capture({"--png", "stills", "--at", "1000,70000", "--size", "64x48", "--fps", "5"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(
        result.errors.find("tuvoran-capture: no frame at 70000 ms: the show ended at 65.800 s"),
        std::string::npos)
        << result.errors;
    EXPECT_TRUE(fs::exists(Path("stills/at-1000.png")));
}

// Every frame up to the one at the given time, numbered from 0, and the music to the end
// of the last frame; twice the same to the byte.
TEST_F(CaptureProgram, TheSameCaptureTwiceGivesTheSameFramesAndSound) {
    const std::vector<std::string> common{"--size", "160x120", "--fps", "30", "--until", "3000"};
    for (const char* folderName : {"first", "second"}) {
        std::vector<std::string> arguments{"--png", folderName};
        arguments.insert(arguments.end(), common.begin(), common.end());
        const Result result = Capture(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }
    const VirtualClock clock(30);
    const std::int64_t frames = clock.FrameAtOrAfter(3000) + 1;
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(Path("first"))) {
        ++files;
        EXPECT_EQ(ReadFile(entry.path()), ReadFile(Path("second") / entry.path().filename()))
            << entry.path().filename();
    }
    EXPECT_EQ(files, static_cast<std::size_t>(frames) + 1);
    char last[32];
    std::snprintf(last, sizeof(last), "first/frame-%06lld.png", static_cast<long long>(frames - 1));
    EXPECT_TRUE(fs::exists(Path("first/frame-000000.png")));
    EXPECT_TRUE(fs::exists(Path(last)));
    EXPECT_EQ(fs::file_size(Path("first/music.wav")),
              44 + static_cast<std::uintmax_t>(clock.AudioFramesAt(frames, 44100)) * 4);
}

// A capture that starts later gives the whole capture's stills, byte for byte.
TEST_F(CaptureProgram, FromAMomentTheStillsAreTheWholeCapturesStills) {
    const std::vector<std::string> common{"--size", "160x120", "--at", "14100,20000,39500,50000"};
    for (const std::vector<std::string>& start :
         {std::vector<std::string>{"--png", "whole"}, {"--png", "from", "--from", "14050"}}) {
        std::vector<std::string> arguments = start;
        arguments.insert(arguments.end(), common.begin(), common.end());
        const Result result = Capture(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }
    for (const char* still : {"at-14100.png", "at-20000.png", "at-39500.png", "at-50000.png"}) {
        const std::string whole = ReadFile(fs::path(Path("whole")) / still);
        EXPECT_FALSE(whole.empty()) << still;
        EXPECT_EQ(ReadFile(fs::path(Path("from")) / still), whole) << still;
    }
}

// Parts rendered apart, each from 1 ms after the last one's --until, join to the whole: the
// same frames under the same names, and the music in one piece.
TEST_F(CaptureProgram, PartsFromAndUntilMomentsJoinToTheWhole) {
    const std::vector<std::string> common{"--size", "64x48", "--fps", "25"};
    const std::vector<std::vector<std::string>> parts = {
        {"--png", "whole", "--until", "3000"},
        {"--png", "first", "--until", "1000"},
        {"--png", "second", "--from", "1001", "--until", "2000"},
        {"--png", "third", "--from", "2001", "--until", "3000"},
    };
    for (const std::vector<std::string>& part : parts) {
        std::vector<std::string> arguments = part;
        arguments.insert(arguments.end(), common.begin(), common.end());
        const Result result = Capture(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }
    std::size_t frames = 0;
    std::string music;
    for (const char* folderName : {"first", "second", "third"}) {
        for (const auto& entry : fs::directory_iterator(Path(folderName))) {
            if (entry.path().extension() == ".png") {
                ++frames;
                EXPECT_EQ(ReadFile(entry.path()), ReadFile(Path("whole") / entry.path().filename()))
                    << folderName << "/" << entry.path().filename();
            }
        }
        music += ReadFile(Path(folderName) + "/music.wav").substr(44);
    }
    EXPECT_EQ(frames, 76u); // 0 to 3000 ms at 25 fps
    EXPECT_EQ(music, ReadFile(Path("whole/music.wav")).substr(44));
}

TEST_F(CaptureProgram, AStartAfterTheShowOrAfterItsOtherTimesIsABadCommandLine) {
    const std::vector<std::vector<std::string>> commandLines = {
        {"--png", "stills", "--from", "70000"},
        {"--png", "stills", "--from", "2000", "--until", "1000"},
        {"--png", "stills", "--from", "2000", "--at", "1000"},
        {"--png", "stills", "--from", "x"},
    };
    for (const auto& arguments : commandLines) {
        const Result result = Capture(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments[3];
        EXPECT_NE(result.errors.find("--from"), std::string::npos) << result.errors;
    }
    EXPECT_FALSE(fs::exists(Path("stills/music.wav")));
}

TEST_F(CaptureProgram, TheSameVideoTwiceIsTheSameFileAndHoldsEveryFrame) {
    if (!EncoderInstalled()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    for (const char* file : {"first.mp4", "second.mp4"}) {
        const Result result =
            Capture({"--out", file, "--size", "160x120", "--fps", "30", "--until", "3000"});
        ASSERT_EQ(result.exitCode, 0) << result.errors;
    }
    EXPECT_EQ(ReadFile(Path("first.mp4")), ReadFile(Path("second.mp4")));
    auto video = Probe(Path("first.mp4"), "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["nb_read_frames"], "91");
    EXPECT_EQ(video["width"], "160");
    EXPECT_EQ(std::stod(video["start_time"]), 0.0);
    auto audio = Probe(Path("first.mp4"), "a:0");
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_EQ(std::stod(audio["start_time"]), 0.0);
    EXPECT_NEAR(std::stod(audio["duration"]), 91 / 30.0, 0.03);

    // The video's last frame is the show at 3000 ms, the right way up.
    ASSERT_EQ(
        Capture({"--png", "stills", "--at", "3000", "--size", "160x120", "--fps", "30"}).exitCode,
        0);
    const std::string decode = "ffmpeg -v error -i '" + Path("first.mp4") +
                               "' -vf 'select=eq(n\\,90)' -frames:v 1 '" + Path("frame90.png") +
                               "'";
    ASSERT_EQ(std::system(decode.c_str()), 0);
    const double upright = MeanDifference(Path("stills/at-3000.png"), Path("frame90.png"), false);
    const double flipped = MeanDifference(Path("stills/at-3000.png"), Path("frame90.png"), true);
    EXPECT_GE(upright, 0.0);
    EXPECT_LT(upright, 15.0);
    EXPECT_GT(flipped, 3 * upright);
}

// Also the show's whole run under the sanitizers, every layer from start to end.
TEST_F(CaptureProgram, TheWholeShowEndsWithItsMusic) {
    if (!EncoderInstalled()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const Result result = Capture({"--out", "show.mp4", "--size", "160x120", "--fps", "10"});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const std::int64_t frames = VirtualClock(10).FramesBeforeAudioEnds(musicFrames, 44100);
    // Standard error is not a terminal: no progress bar, only the summary.
    EXPECT_EQ(result.errors.rfind("tuvoran-capture: wrote show.mp4: " + std::to_string(frames) +
                                      " frames to 65.",
                                  0),
              0u)
        << result.errors;
    EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1);
    EXPECT_EQ(result.errors.find('\r'), std::string::npos);
    auto video = Probe(Path("show.mp4"), "v:0");
    EXPECT_EQ(video["nb_read_frames"], std::to_string(frames));
    EXPECT_NEAR(std::stod(video["duration"]), frames / 10.0, 0.001);
    auto audio = Probe(Path("show.mp4"), "a:0");
    EXPECT_NEAR(std::stod(audio["duration"]), 66.0, 0.05);
}

TEST_F(CaptureProgram, AnEncoderThatGivesUpFailsTheCapture) {
    if (!EncoderInstalled()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    // No container goes by this name.
    const Result result = Capture({"--out", "show.nothing", "--size", "160x120", "--quiet"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("tuvoran-capture: ffmpeg failed (exit status 1)"),
              std::string::npos)
        << result.errors;
}

TEST_F(CaptureProgram, CtrlCStopsTheCaptureAndLeavesAPlayableVideo) {
    if (!EncoderInstalled()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    ChildProcess capture({TUVORAN_CAPTURE_BINARY, "--out", "show.mp4", "--size", "320x240"}, {},
                         folder.Path());
    // The encoder makes the file when the first frames reach it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(Path("show.mp4")) && capture.Running() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    capture.Signal(SIGINT);
    EXPECT_EQ(capture.Wait(captureMs), 130) << capture.ErrorOutput();
    EXPECT_NE(capture.ErrorOutput().find("stopped early: show.mp4 holds what was done"),
              std::string::npos)
        << capture.ErrorOutput();
    auto video = Probe(Path("show.mp4"), "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_GT(std::stoi(video["nb_read_frames"]), 0);
    EXPECT_LT(std::stod(video["duration"]), 60.0);
}

} // namespace

namespace {

// The lens grid at 33 s covers the whole canvas, so a stretched picture would light the bars.
TEST_F(CaptureProgram, KeepAspectPutsTheCanvasBetweenBarsAsItIsAtItsOwnShape) {
    const std::vector<std::string> still{"--png", "", "--at", "33000", "--fps", "10", "--quiet"};
    std::vector<std::string> wide = still;
    wide[1] = "wide";
    wide.insert(wide.end(), {"--size", "320x180", "--keep-aspect"});
    std::vector<std::string> own = still;
    own[1] = "own";
    own.insert(own.end(), {"--size", "240x180"});
    ASSERT_EQ(Capture(wide).exitCode, 0);
    ASSERT_EQ(Capture(own).exitCode, 0);

    FIBITMAP* letterboxed = FreeImage_Load(FIF_PNG, Path("wide/at-33000.png").c_str(), PNG_DEFAULT);
    FIBITMAP* reference = FreeImage_Load(FIF_PNG, Path("own/at-33000.png").c_str(), PNG_DEFAULT);
    ASSERT_NE(letterboxed, nullptr);
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(FreeImage_GetWidth(letterboxed), 320u);
    ASSERT_EQ(FreeImage_GetHeight(letterboxed), 180u);
    int litInBars = 0;
    double difference = 0.0;
    int litInside = 0;
    for (unsigned y = 0; y < 180; ++y) {
        for (unsigned x = 0; x < 320; ++x) {
            RGBQUAD pixel{};
            FreeImage_GetPixelColor(letterboxed, x, y, &pixel);
            const int sum = pixel.rgbRed + pixel.rgbGreen + pixel.rgbBlue;
            if (x < 40 || x >= 280) {
                litInBars += sum > 0 ? 1 : 0;
                continue;
            }
            RGBQUAD expected{};
            FreeImage_GetPixelColor(reference, x - 40, y, &expected);
            litInside += sum > 0 ? 1 : 0;
            difference += std::abs(pixel.rgbRed - expected.rgbRed) +
                          std::abs(pixel.rgbGreen - expected.rgbGreen) +
                          std::abs(pixel.rgbBlue - expected.rgbBlue);
        }
    }
    FreeImage_Unload(letterboxed);
    FreeImage_Unload(reference);
    EXPECT_EQ(litInBars, 0);
    EXPECT_GT(litInside, 240 * 180 / 2);
    EXPECT_LT(difference / (3.0 * 240 * 180), 1.0); // mean difference per channel, of 255
}

} // namespace
