#include "display/gl_display.h"
#include "gfx/sprite.h"

#include <GL/gl.h>

namespace {

struct Corner {
    float s;
    float t;
    double u; // offset from the pivot, scaled, before the rotation
    double v;
};

} // namespace

// The sprite's texture stays bound and its colour current, as later layers expect. A sprite
// whose picture never loaded has no texture and draws nothing, leaving both untouched.
void GLDisplay::DrawSprite(const Sprite& sprite, float x, float y) {
    if (sprite.texture == 0 || suspended) {
        return;
    }
    const double left = -static_cast<double>(sprite.pivotX) * sprite.scaleX;
    const double right = (static_cast<double>(sprite.width) - sprite.pivotX) * sprite.scaleX;
    const double top = -static_cast<double>(sprite.pivotY) * sprite.scaleY;
    const double bottom = (static_cast<double>(sprite.height) - sprite.pivotY) * sprite.scaleY;
    const Corner corners[] = {
        {0.0f, 1.0f, left, top},
        {1.0f, 1.0f, right, top},
        {1.0f, 0.0f, right, bottom},
        {0.0f, 0.0f, left, bottom},
    };

    glBindTexture(GL_TEXTURE_2D, sprite.texture);
    glColor4f(sprite.r, sprite.g, sprite.b, sprite.a);
    glBegin(GL_TRIANGLE_FAN);
    for (const Corner& corner : corners) {
        const auto du = static_cast<float>(corner.u * sprite.cosA - corner.v * sprite.sinA);
        const auto dv = static_cast<float>(corner.u * sprite.sinA + corner.v * sprite.cosA);
        glTexCoord2f(corner.s, corner.t);
        glVertex2f(x + du, y + dv);
    }
    glEnd();
}
