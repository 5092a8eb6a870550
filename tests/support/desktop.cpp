#include "support/desktop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace {

// What a window manager tells a client of its state: Wine, for one, takes an iconified window
// as restored only from this, not from its window being mapped again.
void SetWindowState(Display* display, Window window, long state) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const long value[2] = {state, None};
    XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value), 2);
}

} // namespace

DesktopStandIn::DesktopStandIn() : display(XOpenDisplay(nullptr)) {
    if (display == nullptr) {
        return;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    elsewhere = XCreateSimpleWindow(display, root, 0, 0, 200, 100, 0, 0, 0);
    XStoreName(display, elsewhere, "Elsewhere");
    XSync(display, False);
}

DesktopStandIn::~DesktopStandIn() {
    if (display != nullptr) {
        XDestroyWindow(display, elsewhere);
        XCloseDisplay(display);
    }
}

void DesktopStandIn::FocusElsewhere() {
    XMapRaised(display, elsewhere);
    XSync(display, False);
    XSetInputFocus(display, elsewhere, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
}

bool DesktopStandIn::FocusBack() {
    XUnmapWindow(display, elsewhere);
    const Window window = iconified;
    if (window == 0) {
        return false;
    }
    iconified = 0;
    SetWindowState(display, window, NormalState);
    XMapRaised(display, window);
    XSync(display, False);
    // The focus goes only to a viewable window.
    for (int tries = 0; tries < 100; ++tries) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, window, &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            break;
        }
        usleep(10000);
    }
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    return true;
}

std::vector<std::string> DesktopStandIn::TakeRequests() {
    std::vector<std::string> requests;
    const Atom changeState = XInternAtom(display, "WM_CHANGE_STATE", False);
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom fullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.type != ClientMessage) {
            continue;
        }
        const XClientMessageEvent& message = event.xclient;
        if (message.message_type == changeState && message.data.l[0] == IconicState) {
            requests.emplace_back("iconify");
            iconified = message.window;
            XUnmapWindow(display, message.window);
            SetWindowState(display, message.window, IconicState);
        } else if (message.message_type == state &&
                   (static_cast<Atom>(message.data.l[1]) == fullscreen ||
                    static_cast<Atom>(message.data.l[2]) == fullscreen)) {
            requests.emplace_back(message.data.l[0] == 0 ? "leave full screen"
                                                         : "enter full screen");
        } else {
            char* name = XGetAtomName(display, message.message_type);
            requests.emplace_back(std::string("other: ") + name);
            XFree(name);
        }
    }
    return requests;
}
