// Where the program and its data are on Windows: data\ beside tuvoran.exe, where the zip puts
// it, so that a shortcut may start the program from any folder.

#include "platform/data_folder.h"
#include "platform/system.h"
#include "platform/win32/win32_windows.h"

#include <filesystem>
#include <vector>

std::string RunningExecutable() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return "";
        }
        if (length < path.size()) {
            return std::string(path.data(), length);
        }
        path.resize(path.size() * 2);
    }
}

std::string InstalledDataFolder(const std::string& executable) {
    if (executable.empty()) {
        return "";
    }
    return (std::filesystem::path(executable).parent_path() / "data").string();
}

std::string DataFolderUsage() {
    return "The pictures and the music are looked for in data\\ under the current folder,\n"
           "then in %TUVORAN_DATA% if it is set, then in data\\ beside tuvoran.exe.\n";
}

std::string CurrentDataFolderName() {
    return ".\\data";
}

std::string VariableName(const char* name) {
    return std::string("%") + name + "%";
}
