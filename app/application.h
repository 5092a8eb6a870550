#pragma once

#include "platform/timer.h"
#include "platform/window.h"

class GLDisplay;

constexpr int windowTextCapacity = 256;

extern HINSTANCE g_instance;
extern char g_windowTitle[windowTextCapacity];
extern char g_windowClassName[windowTextCapacity];

// The timer resolution asked for: the finest the system offers, at least 1 ms.
UINT ChooseTimerPeriod(const TIMECAPS& caps);

// Reads "width height bits" after the program name of a command line. Returns 1 and stores
// all three when three numbers within the int range were read; otherwise 0, outputs untouched.
int ParseDisplayMode(const char* commandLine, int* width, int* height, int* bits);

// The program's anchor on the platform: window class, key table, frame clock, display.
class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void SetTitle(const char* text);
    void SetIcon(HICON newIcon);
    int RegisterWindowClass();
    static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    GLDisplay* CreateDisplay();
    int IsKeyDown(int key) const;
    void TickFrameClock();
    int ParseCommandLine(int* width, int* height, int* bits) const;

    // Milliseconds of the last frame x 0.1; 0 until the first tick.
    double FrameDelta() const { return frameDelta; }

    // The frame clock, for a show run again from its start or held on one frame.
    struct FrameClock {
        double frameDelta;
        DWORD lastTime;
    };
    FrameClock SaveFrameClock() const { return {frameDelta, lastTime}; }
    void RestoreFrameClock(const FrameClock& clock);
    // As at construction: frameDelta 0 until the next tick, which measures from now.
    void RestartFrameClock();
    // The music time that the window was last asked to show (WM_APP_SEEK), once; else -1.
    int TakeSeekRequest();

private:
    void OnKeyDown(WPARAM key, LPARAM flags);

    unsigned char keys[256];
    HICON icon;
    HCURSOR cursor;
    UINT timerPeriod;
    double frameDelta;
    double timeScale;
    DWORD lastTime;
    GLDisplay* display;
    int seekRequest;
};
