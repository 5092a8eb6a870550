#pragma once

// Every asset and value the timeline works on, and the three stages that set them up:
// creation before the window exists, loading once the display is open, and the timeline
// values once the music has started.

#include "demo/grid_layer.h"
#include "demo/particle_swarm.h"
#include "gfx/mesh.h"
#include "gfx/picture_request.h"
#include "gfx/sprite.h"

#include <vector>

class PictureDecoding;

// Constructing a Scene is the creation stage: the sprites in the order they load, then
// the meshes. Members are destroyed in the reverse order.
struct Scene {
    Sprite imageSprite;
    Sprite metronomoideSprite;
    Sprite ovrinSprite;
    Sprite xv5Sprite;
    Sprite kurneSprite;
    Sprite dospeSprite;
    Sprite fraluSprite;
    Sprite qmzSprite;
    Sprite yorvekSprite;
    Sprite codeSprite;
    Sprite gfxSprite;
    Sprite musicSprite;
    Sprite negdegSprite;
    Sprite tuvoranSprite;
    Mesh spareMesh{20};
    Mesh gridMesh{2652};
    GridLayer grid;
};

// The swarms exist from the start but hold nothing until the loading stage fills them;
// at teardown, before the music, their particle arrays go first, then their sprites.
struct Swarms {
    Swarms() = default;
    ~Swarms() { FreeParticles(); }
    Swarms(const Swarms&) = delete;
    Swarms& operator=(const Swarms&) = delete;

    // Cube field, light rays, orbiting particles; the sprites stay.
    void FreeParticles();

    ParticleSwarm cubeSwarm;
    ParticleSwarm particleSwarm;
    ParticleSwarm raySwarm;
};

struct TimelineValues {
    float phase = 0.0f;
    float metronomoideAlpha = 0.0f;
    float metronomoideScale = 0.0f;
    float ovrinScale = 0.0f;
    float ovrinAlpha = 0.0f;
    float negdegAlpha = 0.0f;
    float codeScale = 0.0f;
    float kurneScale = 0.0f;
    float dospeScale = 0.0f;
    float fraluScale = 0.0f;
    float tuvoranAlpha = 0.0f;
    float cubeAlpha = 0.0f;
    float rayAlpha = 0.0f;
    float gridWeight = 0.0f;
    float particleAlpha = 0.0f;
};

// Loads the fourteen pictures in order, stopping at the first that fails (1, with its
// message in the last-error text), then sets up the meshes and the swarms. Needs the
// display open.
int LoadScene(Scene& scene, Swarms& swarms, TimelineValues& values);
// The same with the pictures that decoding, made from ScenePictureRequests, hands over.
int LoadScene(Scene& scene, Swarms& swarms, TimelineValues& values, PictureDecoding& decoding);

// The pictures the loading stage decodes, in its order: the fourteen sprites', then the
// swarms' three.
std::vector<PictureRequest> ScenePictureRequests();

// The values the timeline starts from, given once the music has started.
void SetTimelineValues(TimelineValues& values);
