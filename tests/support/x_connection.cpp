#include "support/x_connection.h"

#include <string>

namespace {

int IgnoreError(Display* /*display*/, XErrorEvent* /*error*/) {
    return 0;
}

// WM_NAME in Latin-1, or else _NET_WM_NAME in UTF-8, as toolkits set one or the other.
std::string WindowTitle(Display* display, Window window) {
    std::string title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
        return title;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                           False, XInternAtom(display, "UTF8_STRING", False), &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return title;
}

} // namespace

XConnection::XConnection()
    : display(XOpenDisplay(nullptr)), previousHandler(XSetErrorHandler(IgnoreError)) {}

XConnection::~XConnection() {
    if (display != nullptr) {
        XCloseDisplay(display);
    }
    XSetErrorHandler(previousHandler);
}

Window ShownWindow(Display* display, const char* title) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window shown = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && shown == 0; ++i) {
            XWindowAttributes attributes{};
            if (WindowTitle(display, children[i]) == title &&
                XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                attributes.map_state == IsViewable) {
                shown = children[i];
            }
        }
        XFree(children);
    }
    return shown;
}
