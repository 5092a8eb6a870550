// The real program, started as a user starts it, with one kind of damage of each behaviour
// in its data folder, and stopped by SIGINT and SIGTERM at the moments a user sends them.

#include "support/fake_run.h"
#include "support/picture_bytes.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

constexpr int runMs = 60000;
constexpr int rate = 44100;

bool WaitForWindow(ChildProcess& program) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(runMs);
    while (program.Running() && std::chrono::steady_clock::now() < deadline) {
        if (WindowShown("Tuvoran")) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// The show's data in a folder of its own, a file of which a test damages.
class ProgramFaults : public ::testing::Test {
protected:
    // Music that ends the show by itself after seconds.
    void ShortMusic(int seconds) const {
        folder.Remove("muzak.mp3");
        ASSERT_TRUE(WriteToneMp3(folder.Path() + "/data/muzak.mp3", seconds * rate));
    }

    std::string Bytes(const std::string& name) const {
        std::ifstream in(folder.Path() + "/data/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    ChildProcess Start() const { return ChildProcess({TUVORAN_BINARY}, {}, folder.Path()); }

    ShowFolder folder;
};

TEST_F(ProgramFaults, ACutPictureEndsTheStartUpNamingIt) {
    const std::string ovrin = Bytes("Ovrin.jpg");
    folder.Replace("Ovrin.jpg", ovrin.substr(0, ovrin.size() / 2));
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(runMs), 1);
    EXPECT_EQ(program.ErrorOutput(), "tuvoran: Can not load file : data\\Ovrin.jpg\n");
}

TEST_F(ProgramFaults, APictureOfHugeDeclaredSizeEndsTheStartUpNamingIt) {
    folder.Replace("xv5.jpg", WithDeclaredSize(Bytes("xv5.jpg"), 65500, 65500));
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(runMs), 1);
    EXPECT_EQ(program.ErrorOutput(), "tuvoran: Can not load file : data\\xv5.jpg\n");
}

TEST_F(ProgramFaults, DamagedMasksAndSwarmPicturesLeaveTheShowToPlayToItsEnd) {
    ShortMusic(1);
    folder.Replace("qmz.jpg", std::string(3000, '\x5A'));
    folder.Replace("particle1a.jpg", "");
    folder.Replace("rayo.jpg", Bytes("rayo.jpg").substr(0, 300));
    folder.Replace("cubonegro.jpg", WithDeclaredSize(Bytes("cubonegro.jpg"), 65500, 65500));
    ChildProcess program = Start();
    EXPECT_EQ(program.Wait(runMs), 0) << program.ErrorOutput();
    EXPECT_EQ(program.ErrorOutput(), "");
}

TEST_F(ProgramFaults, MusicThatIsNoMusicEndsTheStartUpAndCutMusicPlaysWhatItHas) {
    folder.Replace("muzak.mp3", std::string(20000, '\x42'));
    ChildProcess noMusic = Start();
    EXPECT_EQ(noMusic.Wait(runMs), 1);
    EXPECT_EQ(noMusic.ErrorOutput(), "tuvoran: Unknown file format\n");

    ShortMusic(2);
    const std::string music = Bytes("muzak.mp3");
    folder.Replace("muzak.mp3", music.substr(0, music.size() / 2));
    ChildProcess cutMusic = Start();
    EXPECT_EQ(cutMusic.Wait(runMs), 0) << cutMusic.ErrorOutput();
    EXPECT_EQ(cutMusic.ErrorOutput(), "");
}

// The show's own data and music, long enough that only a signal ends the run.
class ProgramSignals : public ProgramFaults {};

TEST_F(ProgramSignals, SigintAsSoonAsTheWindowShowsEndsTheRunCleanly) {
    ChildProcess program = Start();
    ASSERT_TRUE(WaitForWindow(program)) << program.ErrorOutput();
    program.Signal(SIGINT);
    EXPECT_EQ(program.Wait(runMs), 0);
    EXPECT_EQ(program.ErrorOutput(), "");
}

TEST_F(ProgramSignals, SigtermTwiceDuringTheShowEndsTheRunCleanly) {
    ChildProcess program = Start();
    ASSERT_TRUE(WaitForWindow(program)) << program.ErrorOutput();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    program.Signal(SIGTERM);
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(runMs), 0);
    EXPECT_EQ(program.ErrorOutput(), "");
}

} // namespace
