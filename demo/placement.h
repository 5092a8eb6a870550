#pragma once

// What every layer does to place and draw a sprite on the show's canvas.

#include "display/gl_display.h"
#include "gfx/sprite.h"

#include <GL/gl.h>

#include <cmath>

constexpr float canvasWidth = 1024.0f;
constexpr float canvasHeight = 768.0f;

inline void UseNormalBlend() {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
inline void UseAdditiveBlend() {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

inline void CentrePivot(Sprite& sprite) {
    sprite.pivotX = static_cast<float>(sprite.width * 0.5);
    sprite.pivotY = static_cast<float>(sprite.height * 0.5);
}

inline void SetScale(Sprite& sprite, double scale) {
    sprite.scaleX = static_cast<float>(scale);
    sprite.scaleY = static_cast<float>(scale);
}

inline void Turn(Sprite& sprite, double angle, double sine, double cosine) {
    sprite.angle = static_cast<float>(angle);
    sprite.sinA = static_cast<float>(sine);
    sprite.cosA = static_cast<float>(cosine);
}

inline void Turn(Sprite& sprite, double angle) {
    Turn(sprite, angle, std::sin(angle), std::cos(angle));
}

// The position is kept in the sprite too, though drawing takes it from the arguments.
inline void DrawAt(GLDisplay& display, Sprite& sprite, float x, float y) {
    sprite.x = x;
    sprite.y = y;
    display.DrawSprite(sprite, x, y);
}

// Values are stored in single precision and changed in double.
inline float Step(float value, double change) {
    return static_cast<float>(value + change);
}
