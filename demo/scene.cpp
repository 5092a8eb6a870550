#include "demo/scene.h"

#include "gfx/decoded_picture.h"
#include "gfx/picture_decoding.h"

#include <iterator>

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

struct SwarmPicture {
    ParticleSwarm Swarms::*swarm;
    const char* image;
    const char* mask;
};

constexpr SwarmPicture swarmPictures[] = {
    {&Swarms::cubeSwarm, "data\\cubonegro.jpg", nullptr},
    {&Swarms::particleSwarm, "data\\particle1.jpg", "data\\particle1a.jpg"},
    {&Swarms::raySwarm, "data\\rayo.jpg", "data\\rayoa.jpg"},
};

} // namespace

std::vector<PictureRequest> ScenePictureRequests() {
    std::vector<PictureRequest> requests;
    for (const PictureFile& picture : pictures) {
        requests.push_back({picture.image, pictureDepth, picture.mask});
    }
    for (const SwarmPicture& picture : swarmPictures) {
        requests.push_back({picture.image, pictureDepth, picture.mask});
    }
    return requests;
}

namespace {

// A swarm's picture may fail to load: the show goes on and the swarm draws nothing.
void LoadSwarmSprite(Swarms& swarms, PictureDecoding& decoding, std::size_t swarm) {
    const SwarmPicture& picture = swarmPictures[swarm];
    (swarms.*picture.swarm)
        .sprite.LoadDecoded(picture.image, decoding.Take(std::size(pictures) + swarm));
}

} // namespace

void Swarms::FreeParticles() {
    cubeSwarm.FreeParticles();
    raySwarm.FreeParticles();
    particleSwarm.FreeParticles();
}

int LoadScene(Scene& scene, Swarms& swarms, TimelineValues& values) {
    PictureDecoding decoding(ScenePictureRequests());
    return LoadScene(scene, swarms, values, decoding);
}

// Decoding may run ahead; the loads still go in table order, and the first failure ends
// them before anything after it is loaded.
int LoadScene(Scene& scene, Swarms& swarms, TimelineValues& values, PictureDecoding& decoding) {
    for (std::size_t i = 0; i < std::size(pictures); ++i) {
        const PictureFile& picture = pictures[i];
        if ((scene.*picture.sprite).LoadDecoded(picture.image, decoding.Take(i)) != 0) {
            return 1;
        }
    }
    scene.spareMesh.SetTriangleCount(20);
    scene.spareMesh.textureSource = &scene.imageSprite;

    // The order of the swarms fixes which random numbers each receives.
    LoadSwarmSprite(swarms, decoding, 0);
    SetUpCubeField(swarms.cubeSwarm);
    LoadSwarmSprite(swarms, decoding, 1);
    SetUpOrbitingParticles(swarms.particleSwarm);
    LoadSwarmSprite(swarms, decoding, 2);
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
