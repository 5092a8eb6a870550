#pragma once

// The kept minimal Debian 12 root of tools/minimal-root.sh, in the build folder, and the
// throwaway layers that tests run in over it. Making it and mounting into it need root.

#include "support/process.h"

#include <csignal>
#include <iterator>
#include <string>
#include <vector>

// Where the kept root and its layers are.
std::string MinimalRootFolder();

// Why a minimal root cannot be used here; empty when it can.
std::string MinimalRootMissing();

// The kept root, made on the first run; false with the script's output when it cannot be.
bool MakeMinimalRoot(std::string* output);

// piuparts's install and purge test of a package in a copy of the kept root.
CommandOutput MinimalRootPiuparts(const std::string& package);

// A throwaway layer over the kept root, taken down on every way out of the test: its end, a
// failed assertion, and SIGINT, SIGTERM or SIGHUP. A test killed outright leaves it to the
// next run, which takes it down first; what is mounted in it never leads a removal of the
// build folder out of it.
class MinimalRootLayer {
public:
    explicit MinimalRootLayer(const std::string& run);
    ~MinimalRootLayer();
    MinimalRootLayer(const MinimalRootLayer&) = delete;
    MinimalRootLayer& operator=(const MinimalRootLayer&) = delete;

    bool Ready() const { return ready; }
    // Unmounted and removed; again is harmless.
    CommandOutput Down() const;
    const std::string& UpOutput() const { return upOutput; }
    // Where the root's / is on this system.
    std::string Path() const;
    // The command line that runs command from / in the root (with no single quote in it).
    std::vector<std::string> Inside(const std::string& command) const;
    // Run with this test's environment, less the variables named in unset.
    CommandOutput Run(const std::string& command, const std::vector<std::string>& unset = {}) const;
    // The processes running in the root, by their ids.
    std::vector<int> Processes() const;

private:
    static void TakeDownAndEnd(int signal);

    static constexpr int signals[] = {SIGINT, SIGTERM, SIGHUP};
    // Made before the handler can run: it only reads them.
    static inline std::vector<std::string> downCommand;
    static inline std::vector<char*> downArguments;
    std::string name;
    struct sigaction previous[std::size(signals)]{};
    bool ready = false;
    std::string upOutput;
};
