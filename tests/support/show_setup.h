#pragma once

#include "demo/scene.h"
#include "platform/random.h"

// The sizes of the show's pictures, without them: enough for placing them to do its arithmetic.
inline void GiveSizes(Scene& scene, Swarms& swarms) {
    for (Sprite* sprite :
         {&scene.metronomoideSprite, &scene.ovrinSprite, &scene.negdegSprite, &scene.codeSprite,
          &scene.kurneSprite, &scene.dospeSprite, &scene.fraluSprite, &scene.tuvoranSprite,
          &swarms.cubeSwarm.sprite, &swarms.particleSwarm.sprite, &swarms.raySwarm.sprite}) {
        sprite->width = 256;
        sprite->height = 64;
    }
}

// The swarms, the grid and the timeline's values as the loading stage leaves them, without
// loading a picture: what the timeline needs to draw on a fake backend.
inline void SetUpShowWithoutPictures(Scene& scene, Swarms& swarms, TimelineValues& values) {
    SeedRandomNumbers(1);
    SetUpCubeField(swarms.cubeSwarm);
    SetUpOrbitingParticles(swarms.particleSwarm);
    SetUpLightRays(swarms.raySwarm);
    scene.gridMesh.SetTriangleCount(GridLayer::triangles);
    SetTimelineValues(values);
}
