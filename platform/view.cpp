#include "platform/view.h"

#include "platform/backend.h"

#include <GL/gl.h>

namespace {

constexpr long canvasWide = 4;
constexpr long canvasHigh = 3;

// a * b / c rounded to the nearest whole number; in long, so that no size overflows.
int ScaleRounded(int a, long b, long c) {
    return static_cast<int>((a * b * 2 + c) / (c * 2));
}

} // namespace

ViewRect FitCanvas(int width, int height, bool keepShape) {
    if (!keepShape || width <= 0 || height <= 0) {
        return {0, 0, width, height};
    }
    if (width * canvasHigh > height * canvasWide) {
        const int fitted = ScaleRounded(height, canvasWide, canvasHigh);
        return {(width - fitted) / 2, 0, fitted, height};
    }
    const int fitted = ScaleRounded(width, canvasHigh, canvasWide);
    return {0, (height - fitted) / 2, width, fitted};
}

void ApplyCanvasViewport(int width, int height, bool keepShape) {
    const ViewRect view = FitCanvas(width, height, keepShape);
    glViewport(view.x, view.y, view.width, view.height);
}

void FollowCanvasViewport(ViewRect* applied, int width, int height, bool keepShape) {
    const ViewRect wanted = FitCanvas(width, height, keepShape);
    if (wanted.x != applied->x || wanted.y != applied->y || wanted.width != applied->width ||
        wanted.height != applied->height) {
        glViewport(wanted.x, wanted.y, wanted.width, wanted.height);
        *applied = wanted;
    }
}

bool GetShownView(ViewOptions* view) {
    return CurrentBackend().ShownView(view);
}
