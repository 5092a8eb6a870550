#pragma once

// The calls between the program and the page script (page/tuvoran-page.js), which keeps
// the page's state, its keys, its audio context and the decoded music. Internal to
// platform/web/.

#include <cstdint>

struct ShowStart {
    int width; // the drawing buffer, in device pixels
    int height;
    int stillMs; // -1: live; else the virtual-clock still at or after this music time
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
// Key events in arrival order: true and the virtual-key code, while any are waiting.
bool TakeKeyEvent(int* virtualKey, bool* down);
void CountPresentedFrame(int framesThisRun);
void SetCursorShown(bool shown);
void SetScreenKeptAwake(bool awake);
void SetPageTitle(const char* title);
// The still's music time, for the page's audio to report as heard.
void SetVirtualMusicMs(std::int64_t ms);
