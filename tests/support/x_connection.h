#pragma once

// A short connection to the X display for a test's look from outside. The program under test
// may destroy a window between two requests about it; the error that follows must not end
// the test program, as Xlib's default handler would.

#include <X11/Xlib.h>

class XConnection {
public:
    XConnection();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* const display;

private:
    const XErrorHandler previousHandler;
};

// The shown top-level window of that title (its name or its UTF-8 _NET_WM_NAME), or 0.
Window ShownWindow(Display* display, const char* title);
