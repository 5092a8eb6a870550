#pragma once

// The instruments of the piece. Each call renders one note or hit at a time in seconds into
// the mixer, with its own place in the stereo field and its own reverb and delay sends.
// Notes are MIDI numbers (69 is A at 440 Hz); gain scales the instrument's usual level.

#include "tools/datagen/det_math.h"
#include "tools/datagen/synth.h"

#include <cstdint>
#include <vector>

namespace datagen {

class Instruments {
public:
    Instruments(Mixer& mixer, std::uint64_t seed) : mixer(mixer), random(seed) {}

    // Drums: sine sweeps and filtered noise.
    void Kick(double time, double gain);
    void Snare(double time, double gain);
    void Clap(double time, double gain);
    void HiHat(double time, double gain, bool open, double pan);
    void Crash(double time, double gain);
    void Tom(double time, double hertz, double gain);
    void Boom(double time, double gain);            // a deep impact
    void Tick(double time, bool tock, double gain); // the pendulum's tick and tock

    // Noise sweeps: up to end, down from start, and a cymbal swelling into hit.
    void Riser(double start, double end, double gain);
    void Downlifter(double start, double length, double gain);
    void ReverseCymbal(double hit, double length, double gain);
    void Wind(double start, double end, double gain);

    // Pitched voices; brightness from 0 (dark) to 1 opens their filters.
    void Bass(double time, int note, double length, double gain, double brightness);
    void Pad(double time, const std::vector<int>& notes, double length, double gain,
             double brightness, double attack);
    void Glass(double time, const std::vector<int>& notes, double length, double gain);
    void Pluck(double time, int note, double gain, double brightness, double pan);
    void Bell(double time, int note, double gain, double decay, double pan);
    void Lead(double time, int note, double length, double gain);
    void Stab(double time, const std::vector<int>& notes, double gain);
    void Drone(double start, double end, int note, double gain);

private:
    Mixer& mixer;
    Random random;
};

} // namespace datagen
