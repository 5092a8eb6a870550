#include "support/x_window.h"

#include "support/x_connection.h"

#include <FreeImage.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

int WindowPicture::LitIn(int left, int top, int right, int bottom, int level) const {
    int lit = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, height); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, width); ++x) {
            const std::uint32_t pixel = At(x, y);
            const int brightest = static_cast<int>(
                std::max({(pixel >> 16) & 0xFFu, (pixel >> 8) & 0xFFu, pixel & 0xFFu}));
            lit += brightest > level ? 1 : 0;
        }
    }
    return lit;
}

bool FindShownWindow(const char* title, unsigned long* window) {
    const XConnection connection;
    if (connection.display == nullptr) {
        return false;
    }
    *window = ShownWindow(connection.display, title);
    return *window != 0;
}

void ResizeWindow(unsigned long window, int width, int height) {
    PlaceWindow(window, 0, 0, width, height);
}

void PlaceWindow(unsigned long window, int x, int y, int width, int height) {
    const XConnection connection;
    if (connection.display != nullptr) {
        XMoveResizeWindow(connection.display, window, x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height));
        XSync(connection.display, False);
    }
}

bool WindowPlace(unsigned long window, int* x, int* y) {
    const XConnection connection;
    Window child = 0;
    return connection.display != nullptr &&
           XTranslateCoordinates(connection.display, window, DefaultRootWindow(connection.display),
                                 0, 0, x, y, &child) != 0;
}

WindowPicture GrabWindow(unsigned long window) {
    const XConnection connection;
    WindowPicture picture;
    XWindowAttributes attributes{};
    if (connection.display == nullptr ||
        XGetWindowAttributes(connection.display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        return picture;
    }
    XImage* image = XGetImage(connection.display, window, 0, 0, attributes.width, attributes.height,
                              AllPlanes, ZPixmap);
    if (image == nullptr) {
        return picture;
    }
    picture.width = attributes.width;
    picture.height = attributes.height;
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) &
                                     0xFFFFFFu);
        }
    }
    XDestroyImage(image);
    return picture;
}

bool PressKeys(const std::vector<std::string>& keyNames) {
    const XConnection connection;
    if (connection.display == nullptr) {
        return false;
    }
    std::vector<KeyCode> codes;
    for (const std::string& name : keyNames) {
        const KeyCode code = XKeysymToKeycode(connection.display, XStringToKeysym(name.c_str()));
        if (code == 0) {
            return false;
        }
        codes.push_back(code);
    }
    bool sent = true;
    for (const KeyCode code : codes) {
        sent = XTestFakeKeyEvent(connection.display, code, True, 0) != 0 && sent;
    }
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) {
        sent = XTestFakeKeyEvent(connection.display, *code, False, 20) != 0 && sent;
    }
    // Released for a while, as between a person's presses: SDL takes a press that comes
    // within 2 ms of the key's release for its autorepeat.
    XSync(connection.display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return sent;
}

int LargestDifferenceFromStill(const WindowPicture& shown, const std::string& stillPath) {
    FIBITMAP* still = FreeImage_Load(FIF_PNG, stillPath.c_str(), PNG_DEFAULT);
    int largest = 256;
    if (still != nullptr && shown.width == static_cast<int>(FreeImage_GetWidth(still)) &&
        shown.height == static_cast<int>(FreeImage_GetHeight(still))) {
        largest = 0;
        for (int y = 0; y < shown.height; ++y) {
            for (int x = 0; x < shown.width; ++x) {
                RGBQUAD colour{};
                // The library counts rows from the bottom.
                FreeImage_GetPixelColor(still, x, shown.height - 1 - y, &colour);
                const std::uint32_t pixel = shown.At(x, y);
                for (const auto& [a, b] : {std::pair<int, int>{(pixel >> 16) & 0xFF, colour.rgbRed},
                                           {(pixel >> 8) & 0xFF, colour.rgbGreen},
                                           {pixel & 0xFF, colour.rgbBlue}}) {
                    largest = std::max(largest, std::abs(a - b));
                }
            }
        }
    }
    if (still != nullptr) {
        FreeImage_Unload(still);
    }
    return largest;
}
