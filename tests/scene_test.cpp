// The scene's loading stage with the show's own data files, through the program's loader.

#include "app/error_text.h"
#include "demo/scene.h"
#include "support/gl_test.h"

#include <GL/gl.h>

namespace {

using SceneLoading = LiveDisplayTest;

TEST_F(SceneLoading, LoadsEveryPictureAndSetsUpMeshesAndSwarms) {
    Scene scene;
    Swarms swarms;
    TimelineValues values;
    values.phase = 3.0f;
    ASSERT_EQ(LoadScene(scene, swarms, values), 0) << g_lastError;

    const Sprite* masked[] = {
        &scene.imageSprite,   &scene.metronomoideSprite,    &scene.ovrinSprite,
        &scene.kurneSprite,   &scene.dospeSprite,           &scene.fraluSprite,
        &scene.qmzSprite,     &scene.yorvekSprite,          &scene.codeSprite,
        &scene.gfxSprite,     &scene.musicSprite,           &scene.negdegSprite,
        &scene.tuvoranSprite, &swarms.particleSwarm.sprite, &swarms.raySwarm.sprite};
    for (const Sprite* sprite : masked) {
        EXPECT_NE(sprite->texture, 0u);
        EXPECT_TRUE(sprite->hasAlpha);
    }
    for (const Sprite* sprite : {&scene.xv5Sprite, &swarms.cubeSwarm.sprite}) {
        EXPECT_NE(sprite->texture, 0u);
        EXPECT_FALSE(sprite->hasAlpha);
    }
    // Each credit has an image and a texture of its own.
    EXPECT_NE(scene.kurneSprite.texture, scene.dospeSprite.texture);
    EXPECT_NE(scene.kurneSprite.image, scene.dospeSprite.image);

    EXPECT_EQ(scene.spareMesh.TriangleCount(), 20);
    EXPECT_EQ(scene.spareMesh.textureSource, &scene.imageSprite);
    EXPECT_EQ(scene.gridMesh.TriangleCount(), 2500);
    EXPECT_EQ(scene.gridMesh.textureSource, &scene.xv5Sprite);
    EXPECT_EQ(swarms.cubeSwarm.count, 100);
    EXPECT_EQ(swarms.particleSwarm.count, 100);
    EXPECT_EQ(swarms.raySwarm.count, 10);
    EXPECT_EQ(values.phase, 0.0f);

    SetTimelineValues(values);
    EXPECT_EQ(values.metronomoideScale, 2.0f);
    EXPECT_EQ(values.ovrinScale, 6.0f);
    EXPECT_EQ(values.codeScale, 10.0f);
    EXPECT_EQ(values.fraluScale, 10.0f);
    EXPECT_EQ(values.tuvoranAlpha, 0.0f);

    swarms.FreeParticles();
    EXPECT_TRUE(swarms.cubeSwarm.particles.empty());
    EXPECT_NE(swarms.cubeSwarm.sprite.texture, 0u);
}

} // namespace
