#pragma once

// A top-level window of the X display, seen from outside as the user sees it: its size on
// the screen and the pixels it shows.

#include <cstdint>
#include <string>
#include <vector>

struct WindowPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0xRRGGBB, rows from the top

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // Pixels in columns [left, right) and rows [top, bottom) whose brightest channel is
    // above level.
    int LitIn(int left, int top, int right, int bottom, int level = 0) const;
};

// The shown window of that title; false when there is none.
bool FindShownWindow(const char* title, unsigned long* window);
// Resizes it as a window manager would for the user, at the screen's top-left corner so that
// all of it stays on the screen to be read back.
void ResizeWindow(unsigned long window, int width, int height);
// Moves and resizes it as a window manager would for the user.
void PlaceWindow(unsigned long window, int x, int y, int width, int height);
// Where its top-left corner lies on the screen; false when it is gone.
bool WindowPlace(unsigned long window, int* x, int* y);
// What it shows; empty when it is gone or not shown.
WindowPicture GrabWindow(unsigned long window);
// Presses and releases the keys, in that order down and in the reverse order up.
bool PressKeys(const std::vector<std::string>& keyNames);
// The largest difference of any channel of any pixel between what a window shows and a PNG
// still of the same size (a capture's); 256 when they cannot be compared.
int LargestDifferenceFromStill(const WindowPicture& shown, const std::string& stillPath);
