#pragma once

#include "platform/gl_context.h"
#include "platform/window.h"

class Application;
class Mesh;
struct Sprite;

// The program's one window and its OpenGL context, with the per-frame services.
class GLDisplay {
public:
    static constexpr unsigned int fontListBase = 10000;

    GLDisplay();
    virtual ~GLDisplay();
    GLDisplay(const GLDisplay&) = delete;
    GLDisplay& operator=(const GLDisplay&) = delete;

    // 0 when open; else a code with its message in the last-error text.
    int Open(int newWidth, int newHeight, int bits, bool newFullscreen);
    // 0 when closed, 5 when it was not open, 1 to 4 when a release failed.
    int Close();

    void Clear();
    void Begin2D(float canvasWidth, float canvasHeight);
    void DrawString(float x, float y, const char* text);
    // 1 once the quit message has been taken from the queue, else 0.
    int EndFrame();

    // A sprite's pivot on (x, y) of the current canvas, scaled and turned about it.
    void DrawSprite(const Sprite& sprite, float x, float y);
    // A mesh under its own transform; the modelview is left holding that transform.
    void DrawMesh(const Mesh& mesh);

    void SetOwner(Application* application) { owner = application; }
    void ToggleFpsOverlay() { showFps = !showFps; }
    bool IsOpen() const { return isOpen; }
    // Lines under the frame rate and the OpenGL renderer, parted by '\n', while the overlay
    // shows; empty for none.
    void SetOverlayNote(const char* note);
    // The frame rate measured afresh from now, after the timer has leapt or stood still.
    void RestartFrameRate();

    // For frames run only for the state they leave: with drawing suspended the context is
    // not current, so that OpenGL calls do nothing and cost next to nothing.
    void SuspendDrawing();
    void ResumeDrawing();
    // False while drawing is suspended: what is drawn then need not be made at all.
    bool IsDrawing() const { return !suspended; }

private:
    int Release();
    void DrawFpsOverlay();

    int width;
    int height;
    Application* owner;
    bool showFps;
    DWORD fpsStartTime;
    int frameCount;
    int fpsStartFrame;
    int stencilBits;
    int depthBits;
    int viewWidth;
    int viewHeight;
    HDC dc;
    HWND window;
    bool isOpen;
    HGLRC glContext;
    bool fullscreen;
    double fpsShown;       // the rate last shown, kept while no millisecond has passed
    char rendererName[96]; // the OpenGL renderer, shown under the frame rate for a report
    char overlayNote[160];
    bool suspended;
};
