#include "app/application.h"
#include "display/gl_display.h"
#include "platform/timer.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

// While drawing is suspended the frame services do nothing at all, so that frames run for
// their state alone cost no driver time, also where OpenGL calls without a current context
// are not free (the browser's emulation).
void GLDisplay::Clear() {
    if (suspended) {
        return;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GLDisplay::Begin2D(float canvasWidth, float canvasHeight) {
    if (suspended) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, canvasWidth, 0.0, canvasHeight, -1.0, 10.0);
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(0.0f, -canvasHeight, 0.0f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.375f, 0.375f, 0.0f);

    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glAlphaFunc(GL_NOTEQUAL, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glDisable(GL_LIGHTING);
}

void GLDisplay::DrawString(float x, float y, const char* text) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glRasterPos2f(x, y);
    glListBase(fontListBase);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
}

int GLDisplay::EndFrame() {
    if (!isOpen) {
        return 0;
    }
    if (showFps) {
        DrawFpsOverlay();
    }
    SwapBuffers(dc);
    owner->TickFrameClock();

    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        return 0;
    }
    if (GetMessageA(&message, nullptr, 0, 0) == 0) {
        return 1;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return 0;
}

void GLDisplay::DrawFpsOverlay() {
    const DWORD now = timeGetTime();
    Begin2D(static_cast<float>(viewWidth), static_cast<float>(viewHeight));
    const auto frames = static_cast<unsigned int>(frameCount - fpsStartFrame);
    const DWORD elapsed = now - fpsStartTime;
    ++frameCount;
    if (elapsed > 0) {
        fpsShown = frames * 1000.0 / elapsed;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "FPS = %2.1f", fpsShown);
    glColor3f(1.0f, 1.0f, 1.0f);
    DrawString(0.0f, 20.0f, text);
    DrawString(0.0f, 40.0f, rendererName);
    // The note's lines, one under another.
    float y = 60.0f;
    for (const char* line = overlayNote; *line != '\0'; y += 20.0f) {
        const char* end = std::strchr(line, '\n');
        const std::size_t length =
            end != nullptr ? static_cast<std::size_t>(end - line) : std::strlen(line);
        char shown[sizeof(overlayNote)];
        std::snprintf(shown, sizeof(shown), "%.*s", static_cast<int>(length), line);
        DrawString(0.0f, y, shown);
        line += end != nullptr ? length + 1 : length;
    }
    if (elapsed > 1000) {
        fpsStartTime = now;
        fpsStartFrame = frameCount - 1;
    }
}

void GLDisplay::SetOverlayNote(const char* note) {
    std::snprintf(overlayNote, sizeof(overlayNote), "%s", note);
}

void GLDisplay::RestartFrameRate() {
    fpsStartTime = timeGetTime();
    fpsStartFrame = frameCount;
}
