#pragma once

// The makers' controls over the show: where it starts, pause, seeks and loops. A moment is
// reached by running the show again from its state at load on the capture's virtual clock,
// undrawn, up to the first frame at or after that moment, so that where it lands never
// depends on how the frames before it happened to be timed. That frame is drawn as the
// capture draws it (the same music time and frame time), and the live clock goes on from
// there.

#include "app/application.h"
#include "demo/timeline.h"

#include <string>
#include <vector>

class MusicStream;

struct ShowControlOptions {
    int startMs = 0;          // the moment the show starts at
    bool paused = false;      // held on its first frame, silent, until Space
    bool loop = false;        // at the music's end, the show starts again from its start
    int framesPerSecond = 60; // of the virtual clock that reaches a moment
    std::string stateFile;    // where the moment is written for a later start; empty: nowhere
};

// The options of the shows that run next, set by the front end before it runs them.
void SetShowControlOptions(const ShowControlOptions& options);
const ShowControlOptions& GetShowControlOptions();

// True when a show with music of lengthMs draws a frame at or after ms.
bool ShowHasFrameAt(int ms, int lengthMs, int framesPerSecond);

class ShowControls {
public:
    static constexpr int seekStepMs = 5000;

    // Once the timeline values are set: what the show holds now is its state at load.
    ShowControls(Show& show, Application& application, MusicStream& music,
                 const ShowControlOptions& options);
    ShowControls(const ShowControls&) = delete;
    ShowControls& operator=(const ShowControls&) = delete;

    // Before a frame is drawn: reaches the moment asked for, if any; while paused, puts back
    // the state that the frame on screen was drawn from, so that it is drawn again the same.
    void BeginFrame();
    // After the frame drawn at music time t: the keys, and what the music's end means.
    // 1 when the show is to end.
    int EndFrame(int t, int musicEnded);

    bool Paused() const { return paused; }
    // With a state file: the moment on screen, paused or not, and the window, as options
    // that start the show again there. Written whole or not at all.
    void WriteState() const;

private:
    // Every value that the show carries from frame to frame.
    struct ShowState {
        TimelineValues values;
        std::vector<float> cubes;
        std::vector<float> orbits;
        std::vector<float> rays;
        Application::FrameClock clock{};
    };

    void Save(ShowState& state) const;
    void Restore(const ShowState& state);
    bool PastTheEnd(int ms) const;
    void Reach(int ms);
    void SetPaused(bool pause);
    bool KeyPressed(int key);
    // The sound's latency in use, and the music's position while paused.
    void ShowOverlayNote(int t);

    Show& show;
    Application& application;
    MusicStream& music;
    const ShowControlOptions options;
    ShowState atLoad;
    ShowState beforeFrame; // what the frame on screen was drawn from
    bool paused = false;
    bool startsPastTheEnd = false;
    int pendingMs = -1; // a moment to reach before the next frame
    int lastMs = 0;     // the music time of the frame on screen
    unsigned char keysDown[256] = {};
};
