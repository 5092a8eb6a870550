#pragma once

// Where the show's "data\..." files are read from. The first of these that is a folder wins:
// data/ under the current folder, then $TUVORAN_DATA, then the data installed beside the
// program (InstalledDataFolder: <prefix>/share/tuvoran/data for <prefix>/bin/tuvoran or
// <prefix>/games/tuvoran; on Windows data\ beside tuvoran.exe).

#include <string>

struct DataFolder {
    std::string path;   // "data" for the current folder's; empty when none was found
    std::string looked; // the places tried, in order, for a message to the user
};

// The installed data folder of a program at executable; empty when executable is empty. Each
// system has its own (posix/, win32/).
std::string InstalledDataFolder(const std::string& executable);

// environmentValue is $TUVORAN_DATA (nullptr or empty: not set); executable is the running
// program's file (empty: unknown).
DataFolder FindDataFolder(const char* environmentValue, const std::string& executable);

// FindDataFolder for this process, chosen once for each current folder and $TUVORAN_DATA.
DataFolder CurrentDataFolder();
