#pragma once

// A copy of the source tree to change as a maker would, with a build folder that builds it in
// seconds: configured as a given build folder is, with that folder's objects in it.

#include <string>
#include <vector>

// Copies sourceTree's sources (not its build folders, tests or benchmarks) to copy, configures
// copy/build-dev as make dev does (the dev preset, linked with lld) with buildFolder's compilers,
// and puts buildFolder's objects in it, newer than the copied sources, their dependency lists
// naming the copy's files: a build then compiles only what the copy changes. Empty when done,
// else what failed.
std::string CopyTreeWithBuild(const std::string& sourceTree, const std::string& buildFolder,
                              const std::string& copy);

// The command lines of the processes whose working folder lies in folder.
std::vector<std::string> ProcessesIn(const std::string& folder);

std::string ReadText(const std::string& path);
// text with every from replaced by to.
std::string Replaced(std::string text, const std::string& from, const std::string& to);
// Written beside it and moved over it, as many editors save.
bool SaveText(const std::string& path, const std::string& text);
