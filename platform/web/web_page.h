#pragma once

// The calls between the program and the page script (page/tuvoran-page.js), which keeps
// the page's state, its keys, its audio context and the decoded music. Internal to
// platform/web/.

#include <cstdint>
#include <optional>
#include <string>

struct ShowStart {
    int width; // the drawing buffer, in device pixels
    int height;
    int stillMs; // -1: live; else the virtual-clock still at or after this music time
    int startMs; // live: the moment the show starts at
    bool paused; // live: held there until resumed
    bool loop;   // live: at the music's end the show starts again from its start
};

enum class PageEventType { None, KeyDown, KeyUp, Seek, Close };

struct PageEvent {
    PageEventType type;
    int value; // KeyDown, KeyUp: the virtual-key code; Seek: the music time
};

// Waits for the page's start: the click or key, or at once for a still.
ShowStart WaitForShowStart();
void ReportShowEnded();
void ReportStillDrawn();
void ReportFailure(const char* text);
// Waits for the browser's next animation frame.
void WaitForAnimationFrame();
// Gives the browser a turn without waiting for a frame.
void YieldToBrowser();
// The page's events for the show in arrival order: keys, a seek on its progress line, and
// the close of a show whose WebGL context was taken away. None when none is waiting.
PageEvent TakePageEvent();
// Milliseconds of the page's clock, which stands while the page is hidden.
double PageClockMs();
void CountPresentedFrame(int framesThisRun);
void SetCursorShown(bool shown);
void SetScreenKeptAwake(bool awake);
void SetPageTitle(const char* title);
// The address's ?latency= as written; none where it has none.
std::optional<std::string> PageLatencyText();
// The still's music time, for the page's audio to report as heard.
void SetVirtualMusicMs(std::int64_t ms);
