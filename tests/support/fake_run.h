#pragma once

// The whole program run in the test's own process, as its main runs it but on a fake
// backend: started in a folder that holds the show's data, its standard error captured.

#include "support/fake_backend.h"
#include "support/test_files.h"

#include <string>
#include <vector>

// A fake backend whose window is closed, as by its close box, once it has presented a
// number of frames.
class ClosingBackend : public FakeBackend {
public:
    explicit ClosingBackend(int framesBeforeClose = 3) : framesBeforeClose(framesBeforeClose) {}
    void SwapBuffers(NativeWindow* window) override;

private:
    int framesBeforeClose;
};

// A fake backend on which the music plays on by a step with each frame presented, so that
// a run goes through the whole timeline within a few hundred frames and ends with it.
class PlayingBackend : public FakeBackend {
public:
    explicit PlayingBackend(int stepMs = 500) : stepMs(stepMs) {}
    void SwapBuffers(NativeWindow* window) override;

private:
    int stepMs;
};

// A working folder with the show's data: every picture and the music of data/ linked in.
class ShowFolder {
public:
    ShowFolder();

    const std::string& Path() const { return folder.Path(); }
    // The bytes of the show's own data file.
    static std::string OriginalBytes(const std::string& name);
    // Puts bytes in the place of a data file, or takes it away.
    void Replace(const std::string& name, const std::string& bytes) const;
    void Remove(const std::string& name) const;

private:
    TemporaryFolder folder;
};

struct RunResult {
    int exitCode;
    std::string errors; // what the run wrote to standard error
};

// Runs the program, with arguments after its name, in folder on backend. The window class
// is unregistered afterwards, so that a later run can register it again.
RunResult RunShow(Backend& backend, const std::string& folder,
                  const std::vector<std::string>& arguments = {});
