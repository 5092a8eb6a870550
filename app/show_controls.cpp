#include "app/show_controls.h"

#include "app/live_options.h"
#include "audio/music_stream.h"
#include "display/gl_display.h"
#include "platform/virtual_clock.h"
#include "platform/window.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

ShowControlOptions nextOptions;

// A paused show is drawn again about this often, so that it waits rather than spins.
constexpr DWORD pausedFrameMs = 15;

} // namespace

void SetShowControlOptions(const ShowControlOptions& options) {
    nextOptions = options;
}

const ShowControlOptions& GetShowControlOptions() {
    return nextOptions;
}

bool ShowHasFrameAt(int ms, int lengthMs, int framesPerSecond) {
    const VirtualClock clock(framesPerSecond);
    return ms <= 0 || clock.MillisecondsAt(clock.FrameAtOrAfter(ms)) < lengthMs;
}

ShowControls::ShowControls(Show& shown, Application& app, MusicStream& stream,
                           const ShowControlOptions& controlOptions)
    : show(shown), application(app), music(stream), options(controlOptions) {
    Save(atLoad);
    beforeFrame = atLoad;
    // Without a moment to reach, the show starts as it always has. A start past the end is
    // a seek past it: the first frame ends the show, or starts it from the beginning.
    if (PastTheEnd(options.startMs)) {
        startsPastTheEnd = true;
    } else if (options.startMs > 0 || options.paused) {
        pendingMs = options.startMs;
        paused = options.paused;
    }
}

// Music of unknown length has no end to be past.
bool ShowControls::PastTheEnd(int ms) const {
    const int lengthMs = music.GetLength();
    return lengthMs > 0 && !ShowHasFrameAt(ms, lengthMs, options.framesPerSecond);
}

// The particle arrays keep their size, so that copying them allocates nothing.
void ShowControls::Save(ShowState& state) const {
    state.values = show.values;
    state.cubes = show.swarms.cubeSwarm.particles;
    state.orbits = show.swarms.particleSwarm.particles;
    state.rays = show.swarms.raySwarm.particles;
    state.clock = application.SaveFrameClock();
}

void ShowControls::Restore(const ShowState& state) {
    show.values = state.values;
    show.swarms.cubeSwarm.particles = state.cubes;
    show.swarms.particleSwarm.particles = state.orbits;
    show.swarms.raySwarm.particles = state.rays;
    application.RestoreFrameClock(state.clock);
}

void ShowControls::BeginFrame() {
    const bool reaching = pendingMs >= 0;
    if (reaching) {
        Reach(pendingMs);
        pendingMs = -1;
    }
    if (paused && !reaching) {
        Restore(beforeFrame);
    } else {
        Save(beforeFrame);
    }
}

// Frames 0 to K-1 run with the music paused at each frame's time and the timer stepped by
// the frames' times; the driver is spared all but the last of them, which leaves the render
// state that frame K inherits. Frame K is then the main loop's next, with the music at its
// time.
void ShowControls::Reach(int ms) {
    const VirtualClock clock(options.framesPerSecond);
    const std::int64_t target = clock.FrameAtOrAfter(ms);
    GLDisplay& display = show.display;
    Restore(atLoad);
    music.SetPaused(true);
    if (!TimerFrozen()) {
        FreezeTimer();
    }
    application.RestartFrameClock();
    display.SuspendDrawing();
    for (std::int64_t frame = 0; frame < target; ++frame) {
        const auto frameMs = static_cast<int>(clock.MillisecondsAt(frame));
        if (frame + 1 == target) {
            display.ResumeDrawing();
        }
        music.SetTime(frameMs);
        display.Clear();
        DrawTimeline(show, music.GetTime());
        AdvanceFrozenTimer(static_cast<DWORD>(clock.MillisecondsAt(frame + 1) - frameMs));
        application.TickFrameClock();
    }
    display.ResumeDrawing();
    lastMs = static_cast<int>(clock.MillisecondsAt(target));
    music.SetTime(lastMs);
    if (!paused) {
        music.SetPaused(false);
        ThawTimer();
    }
    display.RestartFrameRate();
    WriteState();
}

// Paused on the frame on screen: the music goes back the little it has played since.
void ShowControls::SetPaused(bool pause) {
    if (pause == paused) {
        return;
    }
    paused = pause;
    music.SetPaused(pause);
    if (pause) {
        music.SetTime(lastMs);
        FreezeTimer();
    } else {
        ThawTimer();
        show.display.RestartFrameRate();
    }
    WriteState();
}

// A reader never sees half a file: it is written beside the file, then renamed over it.
void ShowControls::WriteState() const {
    if (options.stateFile.empty()) {
        return;
    }
    ViewOptions view;
    const bool known = GetShownView(&view);
    const std::string written = options.stateFile + ".new";
    {
        std::ofstream file(written, std::ios::binary | std::ios::trunc);
        file << ResumeOptions(lastMs, paused, known ? &view : nullptr) << '\n';
        if (!file.flush()) {
            return;
        }
    }
    std::error_code ignored;
    std::filesystem::rename(written, options.stateFile, ignored);
}

// A key counts once per press, however long it is held.
bool ShowControls::KeyPressed(int key) {
    const int down = application.IsKeyDown(key);
    const bool pressed = down != 0 && keysDown[key] == 0;
    keysDown[key] = static_cast<unsigned char>(down);
    return pressed;
}

int ShowControls::EndFrame(int t, int musicEnded) {
    lastMs = t;
    if (KeyPressed(VK_SPACE)) {
        SetPaused(!paused);
    }
    // Seeks from a seek still to come go on from its moment.
    const int from = pendingMs >= 0 ? pendingMs : t;
    int wanted = -1;
    if (KeyPressed(VK_LEFT)) {
        wanted = std::max(0, from - seekStepMs);
    }
    if (KeyPressed(VK_RIGHT)) {
        wanted = from + seekStepMs;
    }
    if (KeyPressed(VK_HOME)) {
        wanted = 0;
    }
    const int asked = application.TakeSeekRequest();
    if (asked >= 0) {
        wanted = asked;
    }
    const bool pastTheEnd = startsPastTheEnd || (wanted >= 0 && PastTheEnd(wanted));
    startsPastTheEnd = false;
    if (wanted >= 0 && !pastTheEnd) {
        pendingMs = wanted;
    } else if (pastTheEnd || (musicEnded != 0 && pendingMs < 0)) {
        // The end of the music, or a seek past it: the show ends, or starts its next pass.
        if (!options.loop) {
            return 1;
        }
        pendingMs = 0;
    }
    ShowOverlayNote(t);
    if (paused) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pausedFrameMs, QS_ALLINPUT);
    }
    return 0;
}

void ShowControls::ShowOverlayNote(int t) {
    char note[64];
    const int written = std::snprintf(note, sizeof(note), "Latency %d ms", music.GetLatency());
    if (paused && written > 0) {
        std::snprintf(note + written, sizeof(note) - static_cast<std::size_t>(written),
                      "\nPaused at %d.%03d s", t / 1000, t % 1000);
    }
    show.display.SetOverlayNote(note);
}
