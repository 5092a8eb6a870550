#include "app/live_program.h"

#include "app/live_options.h"
#include "platform/argument_vector.h"
#include "platform/live_backend.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int exitUsage = 2;

std::string ProgramFileName(const char* argv0) {
    const std::string name =
        std::filesystem::path(argv0 != nullptr ? argv0 : "").filename().string();
    return name.empty() ? "tuvoran" : name;
}

} // namespace

int RunLiveProgram(int argc, char** argv, WinMainFunction winMain) {
    const char* argv0 = argc > 0 ? argv[0] : nullptr;
    const std::string program = ProgramFileName(argv0);
    const ParsedLiveOptions parsed =
        ParseLiveOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), parsed.error.c_str(),
                     LiveUsage(program).c_str());
        return exitUsage;
    }
    const LiveOptions& options = parsed.options;
    if (options.help) {
        std::fputs(LiveUsage(program).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(LiveVersion().c_str(), stdout);
        return 0;
    }

    // The show reads its display mode from a command line without the options.
    std::vector<std::string> showLine{argv0 != nullptr ? argv0 : program};
    showLine.insert(showLine.end(), options.showArguments.begin(), options.showArguments.end());
    std::vector<char*> showArgv = ArgumentVector(showLine);
    const auto backend = CreateLiveBackend(options.view);
    return RunPlatform(static_cast<int>(showLine.size()), showArgv.data(), *backend, winMain);
}
