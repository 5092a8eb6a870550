#include "support/gl_test.h"

#include "platform/sdl/sdl_backend.h"

#include <GL/gl.h>

#include <vector>

LiveDisplayTest::LiveDisplayTest()
    : backend(CreateSdlBackend()), scope(std::make_unique<ScopedBackend>(*backend)),
      shell(std::make_unique<Shell>()) {}

LiveDisplayTest::~LiveDisplayTest() {
    shell.reset();
    scope.reset();
    backend.reset();
}

void LiveDisplayTest::SetUp() {
    display = &shell->Display();
    ASSERT_EQ(display->Open(640, 480, 32, true), 0);
    display->Clear();
}

Rgb LiveDisplayTest::PixelAt(int x, int y) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, viewport[3] - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return {pixel[0], pixel[1], pixel[2]};
}

int LiveDisplayTest::LitPixels(int left, int top, int width, int height) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(left, viewport[3] - top - height, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    int lit = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i] > 64 || pixels[i + 1] > 64 || pixels[i + 2] > 64) {
            ++lit;
        }
    }
    return lit;
}
