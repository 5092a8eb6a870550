#include "support/fake_run.h"

#include "app/application.h"
#include "app/run_demo.h"
#include "platform/argument_vector.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const std::filesystem::path showData = std::filesystem::path(TUVORAN_SOURCE_DIR) / "data";

} // namespace

void ClosingBackend::SwapBuffers(NativeWindow* window) {
    FakeBackend::SwapBuffers(window);
    if (swaps == framesBeforeClose) {
        events.push_back({NativeEventType::CloseRequest, window, 0, false, false});
    }
}

void PlayingBackend::SwapBuffers(NativeWindow* window) {
    FakeBackend::SwapBuffers(window);
    constexpr std::int64_t nanosecondsPerMs = 1000000;
    time += static_cast<std::uint32_t>(stepMs);
    audioNanoseconds += stepMs * nanosecondsPerMs;
    PullAudio(audioRequest.rate * stepMs / 1000);
}

// Linked where the system lets a test link files, else copied.
ShowFolder::ShowFolder() {
    for (const auto& entry : std::filesystem::directory_iterator(showData)) {
        const std::string link = folder.File("data/" + entry.path().filename().string());
        std::error_code error;
        std::filesystem::create_symlink(entry.path(), link, error);
        if (error) {
            std::filesystem::copy_file(entry.path(), link);
        }
    }
}

std::string ShowFolder::OriginalBytes(const std::string& name) {
    std::ifstream in(showData / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ShowFolder::Replace(const std::string& name, const std::string& bytes) const {
    Remove(name);
    EXPECT_TRUE(WriteTextFile(folder.File("data/" + name), bytes)) << name;
}

void ShowFolder::Remove(const std::string& name) const {
    std::filesystem::remove(folder.File("data/" + name));
}

RunResult RunShow(Backend& backend, const std::string& folder,
                  const std::vector<std::string>& arguments) {
    std::vector<std::string> line{"tuvoran"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv = ArgumentVector(line);

    // The run routes SIGINT and SIGTERM to itself; the test program takes them back after.
    const auto interrupt = std::signal(SIGINT, SIG_DFL);
    const auto terminate = std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, terminate);
    RunResult result{};
    {
        const WorkingFolder inFolder(folder);
        testing::internal::CaptureStderr();
        result.exitCode = RunPlatform(static_cast<int>(line.size()), argv.data(), backend, WinMain);
        result.errors = testing::internal::GetCapturedStderr();
    }
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, terminate);
    UnregisterClassA(g_windowClassName, g_instance);
    return result;
}
