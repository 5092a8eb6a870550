// The show's rules under chosen music times and frame times, on a fake backend: what each
// layer changes, in which frames, in which order.

#include "demo/timeline.h"
#include "platform/random.h"
#include "support/fake_backend.h"
#include "support/shell.h"
#include "support/show_setup.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class TimelineTest : public ::testing::Test {
protected:
    TimelineTest() : scope(backend), show{shell.Display(), shell.App(), scene, swarms, values} {
        for (Sprite* sprite : {&scene.negdegSprite, &swarms.cubeSwarm.sprite}) {
            sprite->width = 64;
            sprite->height = 32;
        }
        SetUpShowWithoutPictures(scene, swarms, values);
    }

    // One frame at music time t whose frameDelta is the given one.
    void Frame(int t, double frameDelta) {
        backend.time += static_cast<std::uint32_t>(std::lround(frameDelta * 10.0));
        shell.App().TickFrameClock();
        DrawTimeline(show, t);
    }

    FakeBackend backend;
    ScopedBackend scope;
    Shell shell;
    Scene scene;
    Swarms swarms;
    TimelineValues values;
    Show show;
};

TEST_F(TimelineTest, WindowsAreOpenAtBothEnds) {
    Frame(2000, 1.0);
    EXPECT_EQ(values.metronomoideAlpha, 0.0f);
    EXPECT_EQ(values.ovrinAlpha, 0.0f);
    Frame(2001, 1.0);
    EXPECT_FLOAT_EQ(values.metronomoideAlpha, 0.001f);
    EXPECT_FLOAT_EQ(values.ovrinAlpha, 0.01f);
    EXPECT_FLOAT_EQ(values.ovrinScale, 5.99f);

    // At 9 s exactly the logo neither shrinks nor grows, but still fades in.
    values.ovrinScale = 3.0f;
    values.ovrinAlpha = 0.5f;
    Frame(9000, 1.0);
    EXPECT_EQ(values.ovrinScale, 3.0f);
    EXPECT_FLOAT_EQ(values.ovrinAlpha, 0.51f);

    // At 21 s exactly the metronomoide neither fades in nor out.
    values.metronomoideAlpha = 0.7f;
    const float scale = values.metronomoideScale;
    Frame(21000, 1.0);
    EXPECT_EQ(values.metronomoideAlpha, 0.7f);
    EXPECT_EQ(values.metronomoideScale, scale);
    Frame(21001, 1.0);
    EXPECT_FLOAT_EQ(values.metronomoideAlpha, 0.692f);
    EXPECT_FLOAT_EQ(values.metronomoideScale, scale + 0.08f);
}

TEST_F(TimelineTest, OverlappingFormsBothRunFadeInFirst) {
    values.rayAlpha = 0.5f;
    Frame(24500, 1.0);
    EXPECT_FLOAT_EQ(values.rayAlpha, 0.495f);
    Frame(25000, 1.0); // only the fade-out form
    EXPECT_FLOAT_EQ(values.rayAlpha, 0.485f);

    values.particleAlpha = 1.0f;
    Frame(39500, 1.0); // set to 1, then lowered
    EXPECT_FLOAT_EQ(values.particleAlpha, 0.999f);
    values.particleAlpha = 1.0004f;
    Frame(39500, 1.0);
    EXPECT_FLOAT_EQ(values.particleAlpha, 0.999f);
}

TEST_F(TimelineTest, CreditScaleThatOvershootsStandsUntilItsWindowCloses) {
    values.codeScale = 1.5f;
    Frame(14500, 2.0);
    EXPECT_FLOAT_EQ(values.codeScale, -0.5f);
    Frame(15500, 1.0); // past its zoom window: drawn at -0.5, not corrected
    EXPECT_FLOAT_EQ(values.codeScale, -0.5f);
    EXPECT_FLOAT_EQ(scene.codeSprite.scaleX, -0.5f);

    values.kurneScale = 0.5f;
    Frame(15999, 1.0); // still zooming: set to exactly 1
    EXPECT_EQ(values.kurneScale, 1.0f);
    EXPECT_EQ(scene.kurneSprite.scaleX, 0.5f); // drawn before the rule
}

TEST_F(TimelineTest, AlphasPassTheirBoundsByOneStepThenHold) {
    values.tuvoranAlpha = 0.9995f;
    Frame(50000, 1.0);
    EXPECT_FLOAT_EQ(values.tuvoranAlpha, 1.0005f);
    Frame(50016, 1.0);
    EXPECT_EQ(values.tuvoranAlpha, 1.0f);

    values.negdegAlpha = 0.999f;
    Frame(12000, 1.0);
    EXPECT_FLOAT_EQ(values.negdegAlpha, 1.004f);
    Frame(12016, 1.0);
    EXPECT_FLOAT_EQ(values.negdegAlpha, 1.004f);

    values.cubeAlpha = 0.0003f;
    Frame(17000, 1.0);
    EXPECT_FLOAT_EQ(values.cubeAlpha, -0.0002f);
    Frame(17016, 1.0);
    EXPECT_FLOAT_EQ(values.cubeAlpha, -0.0002f);
}

TEST_F(TimelineTest, NoFrameTimeMovesNothing) {
    values.rayAlpha = 0.25f;
    values.particleAlpha = 0.25f;
    values.codeScale = 5.0f;
    const TimelineValues before = values;
    const std::vector<float> cubes = swarms.cubeSwarm.particles;
    for (const int t : {2500, 14500, 24500, 39500, 45000}) {
        Frame(t, 0.0);
    }
    EXPECT_EQ(values.phase, before.phase);
    EXPECT_EQ(values.metronomoideAlpha, before.metronomoideAlpha);
    EXPECT_EQ(values.ovrinScale, before.ovrinScale);
    EXPECT_EQ(values.rayAlpha, before.rayAlpha);
    EXPECT_EQ(values.codeScale, before.codeScale);
    EXPECT_EQ(values.gridWeight, before.gridWeight);
    EXPECT_EQ(values.tuvoranAlpha, before.tuvoranAlpha);
    EXPECT_EQ(swarms.cubeSwarm.particles, cubes);
}

TEST_F(TimelineTest, ValuesKeepTheirStateWhileTheirLayerIsClosed) {
    Frame(5000, 50.0);
    const float cubeAlpha = values.cubeAlpha;
    const std::vector<float> cubes = swarms.cubeSwarm.particles;
    Frame(20000, 50.0); // the cube field has gone
    EXPECT_EQ(values.cubeAlpha, cubeAlpha);
    EXPECT_EQ(swarms.cubeSwarm.particles, cubes);
    EXPECT_FLOAT_EQ(values.phase, 2.0f); // the phase advances whatever runs
}

TEST_F(TimelineTest, CubesWrapOnlyPastTheRightEdge) {
    float* first = swarms.cubeSwarm.Particle(0);
    float* second = swarms.cubeSwarm.Particle(1);
    first[0] = 1024.0f;
    first[4] = 0.0f;
    second[0] = 1023.0f;
    second[4] = 2.0f;
    Frame(10000, 1.0);
    EXPECT_EQ(first[0], 1024.0f);
    EXPECT_EQ(second[0], -64.0f);
}

TEST(SwarmSetUp, DrawsFromTheGeneratorInItsFixedOrder) {
    // The generator's sequence from its unseeded state starts 41, 18467, 6334, 26500, ...
    SeedRandomNumbers(1);
    ParticleSwarm cubes;
    SetUpCubeField(cubes);
    ASSERT_EQ(cubes.count, 100);
    EXPECT_EQ(cubes.Particle(0)[0], 41.0f);            // 41 mod 1024
    EXPECT_FLOAT_EQ(cubes.Particle(0)[4], 27 * 0.15f); // 18467 mod 30 = 17
    EXPECT_EQ(cubes.Particle(1)[0], 190.0f);           // 6334 mod 1024
    EXPECT_FLOAT_EQ(cubes.Particle(1)[4], 20 * 0.15f); // 26500 mod 30 = 10
    EXPECT_FLOAT_EQ(cubes.Particle(1)[1], 268.8f);

    SeedRandomNumbers(1);
    ParticleSwarm particles;
    SetUpOrbitingParticles(particles);
    EXPECT_FLOAT_EQ(particles.Particle(0)[4], 0.91f); // 41 x 0.01 + 0.5
    EXPECT_FLOAT_EQ(particles.Particle(0)[5], 184.67f);
    EXPECT_FLOAT_EQ(particles.Particle(0)[3], 410.0f);

    SeedRandomNumbers(1);
    ParticleSwarm rays;
    SetUpLightRays(rays);
    ASSERT_EQ(rays.count, 10);
    EXPECT_EQ(rays.Particle(0)[3], 41 % 20 - 10);
    EXPECT_EQ(rays.Particle(0)[0], 18467 % 360);
    EXPECT_FLOAT_EQ(rays.Particle(0)[4], (6334 % 100) * 0.01f);
}

} // namespace
