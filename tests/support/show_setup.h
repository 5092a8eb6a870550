#pragma once

#include "demo/scene.h"
#include "platform/random.h"

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
