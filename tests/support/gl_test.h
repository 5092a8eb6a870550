#pragma once

// Tests on the live backend, under the virtual X server with software OpenGL: a display
// opened full screen at 640 x 480 and its back buffer read before the swap.

#include "platform/backend.h"
#include "support/fake_backend.h"
#include "support/shell.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

using Rgb = std::array<int, 3>;

class LiveDisplayTest : public ::testing::Test {
protected:
    LiveDisplayTest();
    ~LiveDisplayTest() override;

    void SetUp() override;

    // A pixel of the back buffer, x from the left and y from the top of the window.
    static Rgb PixelAt(int x, int y);
    // Pixels in the rectangle whose red, green or blue is above a quarter.
    static int LitPixels(int left, int top, int width, int height);

    std::unique_ptr<Backend> backend;
    std::unique_ptr<ScopedBackend> scope;
    std::unique_ptr<Shell> shell;
    GLDisplay* display = nullptr;
};
