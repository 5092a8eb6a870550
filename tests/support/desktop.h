#pragma once

// Stands in for a window manager on the X display: it sees the requests that windows send
// to the desktop (to be iconified, to enter or leave full screen), obeys the iconify and tells
// the window of its state, and moves the keyboard focus to a window of its own and back, as
// Alt+Tab would.

#include <string>
#include <vector>

class DesktopStandIn {
public:
    DesktopStandIn();
    ~DesktopStandIn();
    DesktopStandIn(const DesktopStandIn&) = delete;
    DesktopStandIn& operator=(const DesktopStandIn&) = delete;

    bool Ready() const { return display != nullptr; }

    // Shows a window of its own and gives it the focus.
    void FocusElsewhere();
    // Shows the window it last iconified again and gives it the focus; false for none.
    bool FocusBack();

    // The requests received since the last call, in order: "iconify", "enter full screen"
    // or "leave full screen"; an iconify is obeyed.
    std::vector<std::string> TakeRequests();

private:
    struct _XDisplay* display = nullptr;
    unsigned long elsewhere = 0;
    unsigned long iconified = 0;
};
