#pragma once

// The browser backend: the page's canvas is the one window and its WebGL context, drawn
// through the legacy OpenGL emulation; keys come from the page; each presentation gives
// control back to the browser until its next animation frame. With a still time the show
// runs on the capture's virtual clock instead, as fast as it draws, and stops on the first
// frame at or after that time.

#include "platform/process.h"

#include <optional>
#include <string>

// Runs winMain once for each start the page asks for ("Click to start", "Watch again", a
// WebGL context given back), each time from the state the process had at load, with the
// canvas's size as the display mode. Never returns: the page outlives every show.
[[noreturn]] int RunWebShows(WinMainFunction winMain);

// Where the page wants the show that runs now to start (?t=, or where a show whose context
// was taken away was), and whether held there.
struct ShowMoment {
    int startMs;
    bool paused;
    bool loop;
};
ShowMoment CurrentShowMoment();

// The page's ?latency= as written in its address; none where it has none.
std::optional<std::string> PageAudioLatencyText();
// Tells the page why it can run no show; it then offers none.
void RefuseWebShows(const std::string& why);
