#pragma once

// Many copies of one sprite, each placed by a record of seven floats: the cube field, the
// light rays and the orbiting particles.

#include "gfx/sprite.h"

#include <vector>

class GLDisplay;

constexpr int particleFloats = 7;

struct ParticleSwarm {
    float* Particle(int index) { return particles.data() + index * particleFloats; }
    void FreeParticles() { particles = {}; }

    std::vector<float> particles; // count records of particleFloats
    int count = 0;
    Sprite sprite;
};

// Set-up, in the order cube field, orbiting particles, light rays: each takes its numbers
// from the shared random generator in a fixed order, so the order fixes the layouts.
void SetUpCubeField(ParticleSwarm& cubes);
void SetUpOrbitingParticles(ParticleSwarm& particles);
void SetUpLightRays(ParticleSwarm& rays);

enum class Fade { In, Out };

// The layers. Each sets its blend function and the 1024 x 768 canvas, draws, then fades its
// alpha by frameDelta.
void DrawCubeField(GLDisplay& display, ParticleSwarm& cubes, int t, double frameDelta,
                   float& cubeAlpha);
void DrawLightRays(GLDisplay& display, ParticleSwarm& rays, Fade fade, float phase,
                   double frameDelta, float& rayAlpha);
void DrawOrbitingParticles(GLDisplay& display, ParticleSwarm& particles, Fade fade, float phase,
                           double frameDelta, float& particleAlpha);
