#include "app/live_program.h"

#include "app/live_options.h"
#include "platform/argument_vector.h"
#include "platform/audio_file.h"
#include "platform/console.h"
#include "platform/file_path.h"
#include "platform/frame_timing.h"
#include "platform/live_backend.h"
#include "platform/system_report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int exitUsage = 2;

std::string ProgramFileName(const char* argv0) {
    const std::string name =
        std::filesystem::path(argv0 != nullptr ? argv0 : "").filename().string();
    return name.empty() ? "tuvoran" : name;
}

// The length the file declares, which its header gives at once; -1 when it gives none, or
// the file cannot be read (the show then says why).
int DeclaredLengthMs(const char* musicPath) {
    AudioFileError error = AudioFileError::None;
    const std::unique_ptr<AudioFile> file = OpenAudioFile(NativePath(musicPath), &error);
    if (file == nullptr || file->Frames() < 0) {
        return -1;
    }
    return static_cast<int>(file->Frames() * 1000 / file->Rate());
}

std::string StartBeyondTheMusic(const ShowControlOptions& controls, const char* musicPath) {
    if (controls.startMs == 0) {
        return "";
    }
    const int lengthMs = DeclaredLengthMs(musicPath);
    if (lengthMs < 0 || ShowHasFrameAt(controls.startMs, lengthMs, controls.framesPerSecond)) {
        return "";
    }
    return "bad value '" + std::to_string(controls.startMs) + "' for --at: the music ends at " +
           std::to_string(lengthMs) + " ms";
}

} // namespace

int RunLiveProgram(int argc, char** argv, WinMainFunction winMain, const char* musicPath) {
    ConnectStartingConsole();
    const char* argv0 = argc > 0 ? argv[0] : nullptr;
    const std::string program = ProgramFileName(argv0);
    const ParsedLiveOptions parsed =
        ParseLiveOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    const LiveOptions& options = parsed.options;
    if (options.help) {
        std::fputs(LiveUsage(program).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(LiveVersion().c_str(), stdout);
        if (options.verbose) {
            std::fflush(stdout);
            std::fputs(SystemReport(*CreateLiveBackend(options.view)).c_str(), stdout);
        }
        return 0;
    }
    const std::string error =
        parsed.error.empty() ? StartBeyondTheMusic(options.controls, musicPath) : parsed.error;
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), error.c_str(),
                     LiveUsage(program).c_str());
        return exitUsage;
    }
    SetShowControlOptions(options.controls);
    SetExtraAudioLatency(options.audioLatencyMs);

    // The show reads its display mode from a command line without the options.
    std::vector<std::string> showLine{argv0 != nullptr ? argv0 : program};
    showLine.insert(showLine.end(), options.showArguments.begin(), options.showArguments.end());
    std::vector<char*> showArgv = ArgumentVector(showLine);
    const auto backend = CreateLiveBackend(options.view);
    return RunPlatform(static_cast<int>(showLine.size()), showArgv.data(), *backend, winMain);
}
