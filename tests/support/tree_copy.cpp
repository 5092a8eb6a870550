#include "support/tree_copy.h"

#include "support/process.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// make dev's build folder (CMakePresets.json).
constexpr char devBuild[] = "build-dev";

// A value of a build folder's cache, as "NAME:TYPE=value" gives it.
std::string CacheValue(const fs::path& buildFolder, const std::string& name) {
    std::ifstream cache(buildFolder / "CMakeCache.txt");
    for (std::string line; std::getline(cache, line);) {
        const std::size_t equals = line.find('=');
        if (line.rfind(name + ":", 0) == 0 && equals != std::string::npos) {
            return line.substr(equals + 1);
        }
    }
    return "";
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void CopyObjects(const fs::path& sourceTree, const fs::path& buildFolder, const fs::path& copy) {
    for (const auto& target : fs::directory_iterator(buildFolder / "CMakeFiles")) {
        const fs::path copied = copy / devBuild / "CMakeFiles" / target.path().filename();
        if (target.path().extension() != ".dir" || !fs::exists(copied)) {
            continue;
        }
        for (const auto& file : fs::recursive_directory_iterator(target.path())) {
            const std::string name = file.path().string();
            const fs::path to = copied / fs::relative(file.path(), target.path());
            if (EndsWith(name, ".o")) {
                fs::create_directories(to.parent_path());
                fs::copy_file(file.path(), to, fs::copy_options::overwrite_existing);
            } else if (EndsWith(name, ".o.d")) {
                fs::create_directories(to.parent_path());
                std::ofstream(to, std::ios::binary)
                    << Replaced(ReadText(name), sourceTree.string(), copy.string());
            }
        }
    }
}

} // namespace

std::string CopyTreeWithBuild(const std::string& sourceTree, const std::string& buildFolder,
                              const std::string& copy) {
    fs::create_directories(copy);
    for (const auto& entry : fs::directory_iterator(sourceTree)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("build", 0) != 0 && name[0] != '.' && name != "tests" && name != "bench") {
            fs::copy(entry.path(), fs::path(copy) / name, fs::copy_options::recursive);
        }
    }
    // As make dev configures it, so that make dev in the copy finds nothing to change.
    const std::string configure =
        "cd '" + copy + "' && cmake --preset dev -DCMAKE_C_COMPILER='" +
        CacheValue(buildFolder, "CMAKE_C_COMPILER") + "' -DCMAKE_CXX_COMPILER='" +
        CacheValue(buildFolder, "CMAKE_CXX_COMPILER") + "' > /dev/null 2>&1";
    if (RunCommand(configure).exitCode != 0) {
        return "could not configure: " + configure;
    }
    CopyObjects(sourceTree, buildFolder, copy);
    return "";
}

std::vector<std::string> ProcessesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        const fs::path cwd = fs::read_symlink(entry.path() / "cwd", error);
        if (!error && cwd.string().rfind(folder, 0) == 0) {
            found.push_back(
                Replaced(ReadText(entry.path() / "cmdline"), std::string(1, '\0'), " "));
        }
    }
    return found;
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

bool SaveText(const std::string& path, const std::string& text) {
    const std::string saving = path + ".saving";
    if (!(std::ofstream(saving, std::ios::binary) << text)) {
        return false;
    }
    std::error_code error;
    fs::rename(saving, path, error);
    return !error;
}
