#include "demo/scene.h"

namespace {

constexpr int pictureDepth = 32;

struct PictureFile {
    Sprite Scene::*sprite;
    const char* image;
    const char* mask;
};

// The credits all load the one white picture, shaped by their own masks.
constexpr PictureFile pictures[] = {
    {&Scene::imageSprite, "data\\image.jpg", "data\\imagea.jpg"},
    {&Scene::metronomoideSprite, "data\\metronomoide.jpg", "data\\metronomoidea.jpg"},
    {&Scene::ovrinSprite, "data\\Ovrin.jpg", "data\\Ovrina.jpg"},
    {&Scene::xv5Sprite, "data\\xv5.jpg", nullptr},
    {&Scene::kurneSprite, "data\\blanconick.jpg", "data\\kurne.jpg"},
    {&Scene::dospeSprite, "data\\blanconick.jpg", "data\\dospe.jpg"},
    {&Scene::fraluSprite, "data\\blanconick.jpg", "data\\fralu.jpg"},
    {&Scene::qmzSprite, "data\\blanconick.jpg", "data\\qmz.jpg"},
    {&Scene::yorvekSprite, "data\\blanconick.jpg", "data\\yorvek.jpg"},
    {&Scene::codeSprite, "data\\blanconick.jpg", "data\\code.jpg"},
    {&Scene::gfxSprite, "data\\blanconick.jpg", "data\\gfx.jpg"},
    {&Scene::musicSprite, "data\\blanconick.jpg", "data\\music.jpg"},
    {&Scene::negdegSprite, "data\\negdeg.jpg", "data\\deg1.jpg"},
    {&Scene::tuvoranSprite, "data\\tuvoran.jpg", "data\\tuvoran.jpg"},
};

// A swarm's picture may fail to load: the show goes on and the swarm draws nothing.
void LoadSwarmSprite(ParticleSwarm& swarm, const char* image, const char* mask) {
    swarm.sprite.Load(image, pictureDepth, mask);
}

} // namespace

void Swarms::FreeParticles() {
    cubeSwarm.FreeParticles();
    raySwarm.FreeParticles();
    particleSwarm.FreeParticles();
}

int LoadScene(Scene& scene, Swarms& swarms, TimelineValues& values) {
    for (const PictureFile& picture : pictures) {
        if ((scene.*picture.sprite).Load(picture.image, pictureDepth, picture.mask) != 0) {
            return 1;
        }
    }
    scene.spareMesh.SetTriangleCount(20);
    scene.spareMesh.textureSource = &scene.imageSprite;

    // The order of the swarms fixes which random numbers each receives.
    LoadSwarmSprite(swarms.cubeSwarm, "data\\cubonegro.jpg", nullptr);
    SetUpCubeField(swarms.cubeSwarm);
    LoadSwarmSprite(swarms.particleSwarm, "data\\particle1.jpg", "data\\particle1a.jpg");
    SetUpOrbitingParticles(swarms.particleSwarm);
    LoadSwarmSprite(swarms.raySwarm, "data\\rayo.jpg", "data\\rayoa.jpg");
    SetUpLightRays(swarms.raySwarm);

    scene.gridMesh.textureSource = &scene.xv5Sprite;
    scene.gridMesh.SetTriangleCount(GridLayer::triangles);
    values.phase = 0.0f;
    return 0;
}

void SetTimelineValues(TimelineValues& values) {
    values.metronomoideAlpha = 0.0f;
    values.metronomoideScale = 2.0f;
    values.ovrinScale = 6.0f;
    values.ovrinAlpha = 0.0f;
    values.negdegAlpha = 0.0f;
    values.codeScale = 10.0f;
    values.kurneScale = 10.0f;
    values.dospeScale = 10.0f;
    values.fraluScale = 10.0f;
    values.tuvoranAlpha = 0.0f;
    values.cubeAlpha = 0.0f;
    values.rayAlpha = 0.0f;
    values.gridWeight = 0.0f;
    values.particleAlpha = 0.0f;
}
