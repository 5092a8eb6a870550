// The scene's loading stage with the show's own data files, through the program's loader.

#include "app/error_text.h"
#include "demo/scene.h"
#include "support/fake_run.h"
#include "support/gl_test.h"

#include <GL/gl.h>

#include <filesystem>
#include <string>

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

// Decoding runs ahead of the loads, yet a later damaged picture is never the one reported,
// and nothing after the first failure becomes a texture.
TEST_F(SceneLoading, TheFirstFailureInTableOrderEndsTheLoadingBeforeAnythingAfterIt) {
    ShowFolder folder;
    folder.Remove("Ovrin.jpg");
    folder.Replace("xv5.jpg", "");
    folder.Replace("tuvoran.jpg", "not a picture");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    Scene scene;
    Swarms swarms;
    TimelineValues values;
    const int result = LoadScene(scene, swarms, values);
    std::filesystem::current_path(previous);

    EXPECT_EQ(result, 1);
    EXPECT_STREQ(g_lastError, "Can not load file : data\\Ovrin.jpg");
    EXPECT_NE(scene.imageSprite.texture, 0u);
    EXPECT_NE(scene.metronomoideSprite.texture, 0u);
    for (const Sprite* sprite :
         {&scene.ovrinSprite, &scene.xv5Sprite, &scene.kurneSprite, &scene.musicSprite,
          &scene.tuvoranSprite, &swarms.cubeSwarm.sprite, &swarms.raySwarm.sprite}) {
        EXPECT_EQ(sprite->texture, 0u);
        EXPECT_EQ(sprite->image, nullptr);
    }
    int textures = 0;
    for (GLuint name = 1; name < 64; ++name) {
        textures += glIsTexture(name) == GL_TRUE ? 1 : 0;
    }
    EXPECT_EQ(textures, 2);
    EXPECT_EQ(scene.gridMesh.TriangleCount(), 0);
}

} // namespace
