#include "demo/timeline.h"

#include "app/application.h"
#include "demo/placement.h"

namespace {

// Every window is open at both ends: (after, before).
bool Within(int t, int after, int before) {
    return t > after && t < before;
}

void BeginCanvas(GLDisplay& display, void (*useBlend)()) {
    useBlend();
    display.Begin2D(canvasWidth, canvasHeight);
}

// A credit word or name comes in at ten times its size and is brought to 1 while its
// zoom window lasts; a last step past 1 stands until the window closes.
void ZoomIn(float& scale, bool zooming, double frameDelta) {
    if (zooming) {
        scale = scale > 1.0f ? Step(scale, -frameDelta) : 1.0f;
    }
}

void DrawCredit(GLDisplay& display, Sprite& credit, float x, float scale) {
    BeginCanvas(display, UseNormalBlend);
    CentrePivot(credit);
    SetScale(credit, scale);
    DrawAt(display, credit, x, 384.0f);
}

// The band is stretched to 1024 x 88 with its top-left corner at (0, 340).
void DrawBand(GLDisplay& display, Sprite& band, float alpha) {
    BeginCanvas(display, UseNormalBlend);
    Turn(band, 0.0, 0.0, 1.0);
    band.scaleX = static_cast<float>(1024.0 / band.width);
    band.scaleY = static_cast<float>(88.0 / band.height);
    band.a = alpha;
    DrawAt(display, band, band.pivotX * band.scaleX, band.pivotY * band.scaleY + 340.0f);
}

} // namespace

void DrawTimeline(Show& show, int t) {
    GLDisplay& display = show.display;
    Scene& scene = show.scene;
    Swarms& swarms = show.swarms;
    TimelineValues& v = show.values;
    const double frameDelta = show.application.FrameDelta();

    // 1. The metronomoide, soft pass: a fifth of its alpha, one size larger, turning slowly.
    if (Within(t, 2000, 30000)) {
        Sprite& metronomoide = scene.metronomoideSprite;
        BeginCanvas(display, UseNormalBlend);
        CentrePivot(metronomoide);
        SetScale(metronomoide, v.metronomoideScale + 1.0);
        Turn(metronomoide, t * 0.000025);
        metronomoide.a = static_cast<float>(v.metronomoideAlpha * 0.2);
        DrawAt(display, metronomoide, 799.0f, 563.0f);
    }

    // 2. The cube field.
    if (t < 20000) {
        DrawCubeField(display, swarms.cubeSwarm, t, frameDelta, v.cubeAlpha);
    }

    // 3. The metronomoide again, additive, on the pivot of layer 1; it fades in, and from
    // 21 s fades out while it zooms past the screen.
    if (Within(t, 2000, 30000)) {
        Sprite& metronomoide = scene.metronomoideSprite;
        BeginCanvas(display, UseAdditiveBlend);
        SetScale(metronomoide, v.metronomoideScale);
        Turn(metronomoide, t * 0.00003);
        metronomoide.a = v.metronomoideAlpha;
        DrawAt(display, metronomoide, 799.0f, 563.0f);
        if (t < 21000 && v.metronomoideAlpha < 1.0f) {
            v.metronomoideAlpha = Step(v.metronomoideAlpha, 0.001 * frameDelta);
        }
        if (t > 21000) {
            if (v.metronomoideAlpha > 0.0f) {
                v.metronomoideAlpha = Step(v.metronomoideAlpha, -0.008 * frameDelta);
            }
            v.metronomoideScale = Step(v.metronomoideScale, 0.08 * frameDelta);
        }
    }

    // 4. The logo: shrinks in while it fades in, then from 9 s flies out.
    if (Within(t, 2000, 15000)) {
        Sprite& ovrin = scene.ovrinSprite;
        BeginCanvas(display, UseAdditiveBlend);
        CentrePivot(ovrin);
        SetScale(ovrin, v.ovrinScale);
        ovrin.a = v.ovrinAlpha;
        DrawAt(display, ovrin, 512.0f, 384.0f);
        if (t < 9000 && v.ovrinScale > 1.5f) {
            v.ovrinScale = Step(v.ovrinScale, -0.01 * frameDelta);
        }
        if (v.ovrinAlpha < 1.0f) {
            v.ovrinAlpha = Step(v.ovrinAlpha, 0.01 * frameDelta);
        }
        if (t > 9000 && v.ovrinScale < 20.0f) {
            v.ovrinScale = Step(v.ovrinScale, 0.1 * frameDelta);
        }
        if (t > 9000 && v.ovrinAlpha > 0.0f) {
            v.ovrinAlpha = Step(v.ovrinAlpha, -0.05 * frameDelta);
        }
    }

    // 5 and 6. The light rays, fading in, then fading out; both run from 24 to 25 s.
    if (Within(t, 9000, 25000)) {
        DrawLightRays(display, swarms.raySwarm, Fade::In, v.phase, frameDelta, v.rayAlpha);
    }
    if (Within(t, 24000, 30000)) {
        DrawLightRays(display, swarms.raySwarm, Fade::Out, v.phase, frameDelta, v.rayAlpha);
    }

    // 7. The band behind the credits, fading in.
    if (Within(t, 10000, 25000)) {
        DrawBand(display, scene.negdegSprite, v.negdegAlpha);
        if (v.negdegAlpha < 1.0f) {
            v.negdegAlpha = Step(v.negdegAlpha, 0.005 * frameDelta);
        }
    }

    // 8. The band again at full alpha over the fading one.
    if (Within(t, 14000, 25000)) {
        DrawBand(display, scene.negdegSprite, 1.0f);
    }

    // 9 to 12. The credits, one second apart, each zooming in during its first second.
    if (Within(t, 14000, 25000)) {
        DrawCredit(display, scene.codeSprite, 100.0f, v.codeScale);
        ZoomIn(v.codeScale, t < 15000, frameDelta);
    }
    if (Within(t, 15000, 25000)) {
        DrawCredit(display, scene.kurneSprite, 350.0f, v.kurneScale);
        ZoomIn(v.kurneScale, t < 16000, frameDelta);
    }
    if (Within(t, 16000, 25000)) {
        DrawCredit(display, scene.dospeSprite, 600.0f, v.dospeScale);
        ZoomIn(v.dospeScale, t < 17000, frameDelta);
    }
    if (Within(t, 17000, 25000)) {
        DrawCredit(display, scene.fraluSprite, 850.0f, v.fraluScale);
        ZoomIn(v.fraluScale, t < 18000, frameDelta);
    }

    // 13. The lens grid, on its own 50 x 25 canvas, with the blend function left in force:
    // normal from the credits before 25 s, additive after.
    if (Within(t, 15000, 60000)) {
        scene.grid.Draw(display, scene.gridMesh, t, frameDelta, v.gridWeight);
    }

    // 14 and 15. The orbiting particles, fading in, then fading out; both run from 39 to 40 s.
    if (Within(t, 23000, 40000)) {
        DrawOrbitingParticles(display, swarms.particleSwarm, Fade::In, v.phase, frameDelta,
                              v.particleAlpha);
    }
    if (t > 39000) {
        DrawOrbitingParticles(display, swarms.particleSwarm, Fade::Out, v.phase, frameDelta,
                              v.particleAlpha);
    }

    // 16. The closing title fades in and stays until the music ends.
    if (t > 35000) {
        Sprite& title = scene.tuvoranSprite;
        BeginCanvas(display, UseAdditiveBlend);
        CentrePivot(title);
        SetScale(title, 1.0);
        title.a = v.tuvoranAlpha;
        DrawAt(display, title, 512.0f, 384.0f);
        v.tuvoranAlpha = v.tuvoranAlpha < 1.0f ? Step(v.tuvoranAlpha, 0.001 * frameDelta) : 1.0f;
    }

    v.phase = Step(v.phase, 0.02 * frameDelta);
}
