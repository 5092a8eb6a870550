#pragma once

// How the show's picture fills the window it is drawn in. The show draws on a 4:3 canvas
// over the whole viewport, and sets no viewport of its own: the backend sets it.

struct ViewOptions {
    bool windowed = false; // a resizable window instead of full screen; the mode is kept
    int windowWidth = 640;
    int windowHeight = 480;
    bool placed = false; // the window's inside at windowX, windowY of the desktop; else centred
    int windowX = 0;
    int windowY = 0;
    bool keepAspect = false; // in full screen too, 4:3 with black bars instead of stretched
};

struct ViewRect {
    int x; // from the left
    int y; // from the bottom, as OpenGL counts
    int width;
    int height;
};

// The part of a drawable of that size that the canvas covers: all of it, or with keepShape
// the largest 4:3 rectangle in its middle.
ViewRect FitCanvas(int width, int height, bool keepShape);

// Sets the current context's viewport to FitCanvas. The bars outside it stay black: every
// frame starts with a clear of the whole drawable to the show's black.
void ApplyCanvasViewport(int width, int height, bool keepShape);

// The same for a backend that keeps the viewport it last set in applied: OpenGL is asked only
// when the rectangle changes.
void FollowCanvasViewport(ViewRect* applied, int width, int height, bool keepShape);

// The show's window as the live backend shows it now (see Backend::ShownView); false where
// it cannot tell.
bool GetShownView(ViewOptions* view);
