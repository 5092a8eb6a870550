#include "demo/particle_swarm.h"

#include "demo/placement.h"
#include "platform/random.h"

#include <cmath>

namespace {

constexpr int cubeCount = 100;
constexpr int orbitCount = 100;
constexpr int rayCount = 10;

// What the slots of a record hold, by swarm.
constexpr int cubeX = 0;
constexpr int cubeY = 1;
constexpr int cubeUnused = 2;
constexpr int cubeSpeed = 4;

constexpr int rayUnused = 3;
constexpr int rayStartAngle = 0;
constexpr int raySpinRate = 4;
constexpr int rayUnusedToo = 5;
constexpr int rayUnusedThree = 6;

constexpr int orbitX = 0;
constexpr int orbitY = 1;
constexpr int orbitZ = 2;
constexpr int orbitRadius = 3;
constexpr int orbitPhaseX = 4;
constexpr int orbitPhaseY = 5;
constexpr int orbitPhaseZ = 6;

void Allocate(ParticleSwarm& swarm, int count) {
    swarm.count = count;
    swarm.particles.assign(static_cast<std::size_t>(count) * particleFloats, 0.0f);
}

} // namespace

void SetUpCubeField(ParticleSwarm& cubes) {
    Allocate(cubes, cubeCount);
    for (int i = 0; i < cubes.count; ++i) {
        float* cube = cubes.Particle(i);
        cube[cubeX] = static_cast<float>(RandomNumber() % 1024);
        cube[cubeY] = 268.8f;
        cube[cubeUnused] = 0.0f;
        cube[cubeSpeed] = static_cast<float>((RandomNumber() % 30 + 10) * 0.15);
    }
}

void SetUpOrbitingParticles(ParticleSwarm& particles) {
    Allocate(particles, orbitCount);
    for (int i = 0; i < particles.count; ++i) {
        float* particle = particles.Particle(i);
        particle[orbitRadius] = 410.0f;
        particle[orbitPhaseX] = static_cast<float>(RandomNumber() * 0.01 + 0.5);
        particle[orbitPhaseY] = static_cast<float>(RandomNumber() * 0.01);
        particle[orbitPhaseZ] = static_cast<float>(RandomNumber() * 0.01);
    }
}

void SetUpLightRays(ParticleSwarm& rays) {
    Allocate(rays, rayCount);
    for (int i = 0; i < rays.count; ++i) {
        float* ray = rays.Particle(i);
        ray[rayUnused] = static_cast<float>(RandomNumber() % 20 - 10);
        ray[rayStartAngle] = static_cast<float>(RandomNumber() % 360); // radians, as drawn
        ray[raySpinRate] = static_cast<float>((RandomNumber() % 100) * 0.01);
        ray[rayUnusedToo] = static_cast<float>((RandomNumber() % 100) * 0.01);
        ray[rayUnusedThree] = static_cast<float>((RandomNumber() % 100) * 0.01);
    }
}

void DrawCubeField(GLDisplay& display, ParticleSwarm& cubes, int t, double frameDelta,
                   float& cubeAlpha) {
    UseNormalBlend();
    display.Begin2D(canvasWidth, canvasHeight);
    Sprite& sprite = cubes.sprite;
    CentrePivot(sprite);
    for (int i = 0; i < cubes.count; ++i) {
        float* cube = cubes.Particle(i);
        cube[cubeX] = Step(cube[cubeX], cube[cubeSpeed] * frameDelta);
        if (cube[cubeX] > canvasWidth) {
            cube[cubeX] = -64.0f;
        }
        sprite.a = cubeAlpha;
        DrawAt(display, sprite, cube[cubeX], cube[cubeY]);
        // The second row runs the other way, lower down.
        DrawAt(display, sprite, canvasWidth - cube[cubeX], cube[cubeY] + 200.0f);
    }
    if (t < 7000 && cubeAlpha < 0.5f) {
        cubeAlpha = Step(cubeAlpha, 0.0005 * frameDelta);
    }
    if (t > 16000 && cubeAlpha > 0.0f) {
        cubeAlpha = Step(cubeAlpha, -0.0005 * frameDelta);
    }
}

void DrawLightRays(GLDisplay& display, ParticleSwarm& rays, Fade fade, float phase,
                   double frameDelta, float& rayAlpha) {
    constexpr float originX = 716.8f;
    constexpr float originY = 729.6f;
    UseAdditiveBlend();
    display.Begin2D(canvasWidth, canvasHeight);
    Sprite& sprite = rays.sprite;
    sprite.pivotX = static_cast<float>(sprite.width * 0.5);
    sprite.pivotY = static_cast<float>(sprite.height * 0.95);
    sprite.a = rayAlpha;
    for (int i = 0; i < rays.count; ++i) {
        const float* ray = rays.Particle(i);
        const double angle = static_cast<double>(phase) * ray[raySpinRate] + ray[rayStartAngle];
        SetScale(sprite, 10.0);
        Turn(sprite, angle);
        DrawAt(display, sprite, originX, originY);
    }
    if (fade == Fade::In) {
        if (rayAlpha < 1.0f) {
            rayAlpha = Step(rayAlpha, 0.005 * frameDelta);
        }
    } else if (rayAlpha > 0.0f) {
        rayAlpha = Step(rayAlpha, -0.01 * frameDelta);
    }
}

void DrawOrbitingParticles(GLDisplay& display, ParticleSwarm& particles, Fade fade, float phase,
                           double frameDelta, float& particleAlpha) {
    UseAdditiveBlend();
    for (int i = 0; i < particles.count; ++i) {
        float* particle = particles.Particle(i);
        const double radius = particle[orbitRadius];
        const double at = phase;
        particle[orbitX] = static_cast<float>(radius * std::cos(at + particle[orbitPhaseX]));
        particle[orbitY] = static_cast<float>(radius * std::sin(at + particle[orbitPhaseY]));
        particle[orbitZ] = static_cast<float>(radius * std::sin(at + particle[orbitPhaseZ]));
    }
    display.Begin2D(canvasWidth, canvasHeight);
    Sprite& sprite = particles.sprite;
    CentrePivot(sprite);
    const double spin = 2.0 * phase;
    const double spinSine = std::sin(spin);
    const double spinCosine = std::cos(spin);
    for (int i = 0; i < particles.count; ++i) {
        const float* particle = particles.Particle(i);
        // Nearer particles are larger: the depth divided by 150.
        SetScale(sprite, particle[orbitZ] * 0.006666667);
        Turn(sprite, spin, spinSine, spinCosine);
        sprite.a = particleAlpha;
        DrawAt(display, sprite, static_cast<float>(512.0 + particle[orbitX]),
               static_cast<float>(384.0 + particle[orbitY]));
    }
    if (fade == Fade::In) {
        particleAlpha = particleAlpha < 1.0f ? Step(particleAlpha, 0.001 * frameDelta) : 1.0f;
    } else {
        particleAlpha = particleAlpha > 0.0f ? Step(particleAlpha, -0.001 * frameDelta) : 0.0f;
    }
}
