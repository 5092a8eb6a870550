#pragma once

// Building blocks of the music: a mixer of stereo buses, oscillators, envelopes, filters,
// a reverb and a delay. Everything is computed sample by sample in double precision from
// the generator's own arithmetic, so a rendering is the same on every build.

#include <cmath>
#include <cstddef>
#include <vector>

namespace datagen {

constexpr int sampleRate = 44100;

std::size_t FrameAt(double seconds);

struct StereoBuffer {
    explicit StereoBuffer(std::size_t frames) : left(frames, 0.0F), right(frames, 0.0F) {}
    std::size_t Frames() const { return left.size(); }
    void Add(std::size_t frame, double l, double r) {
        if (frame < left.size()) {
            left[frame] += static_cast<float>(l);
            right[frame] += static_cast<float>(r);
        }
    }
    std::vector<float> left;
    std::vector<float> right;
};

// Where a voice goes: its level, its place between the speakers (-1 left, 1 right), how much
// of it feeds the reverb and the delay, and whether the kick ducks it.
struct Route {
    double gain = 1.0;
    double pan = 0.0;
    double reverb = 0.0;
    double delay = 0.0;
    bool ducked = false;
};

class Mixer {
public:
    explicit Mixer(std::size_t frames);
    std::size_t Frames() const { return dry.Frames(); }

    // A voice writes through a Tap, which holds the route's gains for both sides.
    class Tap {
    public:
        Tap(Mixer& mixer, const Route& route, std::size_t start);
        void Write(std::size_t offset, double left, double right);
        void Write(std::size_t offset, double mono) { Write(offset, mono, mono); }

    private:
        Mixer& mixer;
        StereoBuffer& target;
        std::size_t start;
        double leftGain;
        double rightGain;
        double reverb;
        double delay;
    };
    Tap At(const Route& route, double seconds) { return Tap(*this, route, FrameAt(seconds)); }

    // The kick's side-chain: the ducked bus dips at each of these times.
    void DuckAt(double seconds) { duckTimes.push_back(seconds); }

    // Applies ducking, the delay and the reverb and sums everything.
    StereoBuffer Render();

private:
    StereoBuffer dry;
    StereoBuffer ducked;
    StereoBuffer reverbSend;
    StereoBuffer delaySend;
    std::vector<double> duckTimes;
};

// Oscillators take the phase in turns, [0, 1); they are inline because every voice calls
// them for every sample.
extern const double* const sineTable; // sineTableSize + 1 values of one period
constexpr int sineTableSize = 4096;

inline double SineTurns(double phase) {
    const double position = (phase - std::floor(phase)) * sineTableSize;
    const auto index = static_cast<int>(position);
    const double fraction = position - index;
    return sineTable[index] + (sineTable[index + 1] - sineTable[index]) * fraction;
}

// Polynomial correction of the step in a saw or square wave, which keeps it from aliasing.
inline double PolyBlep(double phase, double increment) {
    if (phase < increment) {
        const double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

inline double Saw(double phase, double increment) {
    return 2.0 * phase - 1.0 - PolyBlep(phase, increment);
}

inline double Square(double phase, double increment) {
    const double shifted = phase < 0.5 ? phase + 0.5 : phase - 0.5;
    return (phase < 0.5 ? 1.0 : -1.0) + PolyBlep(phase, increment) - PolyBlep(shifted, increment);
}

inline double Triangle(double phase) {
    return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
}

inline double Advance(double phase, double increment) {
    phase += increment;
    return phase >= 1.0 ? phase - std::floor(phase) : phase;
}

// Amplitude that rises linearly over attack seconds, then falls exponentially with time
// constant decay towards sustain, and after release() towards 0 with time constant release.
class Envelope {
public:
    Envelope(double attack, double decay, double sustain, double release);
    double Next();
    void Release() { releasing = true; }

private:
    double level = 0.0;
    double attackStep;
    double decayFactor;
    double sustain;
    double releaseFactor;
    bool attacking = true;
    bool releasing = false;
};

// Multiplies by a constant factor each sample: an exponential decay or glide.
class Glide {
public:
    Glide(double start, double end, double timeConstant);
    double Next();

private:
    double offset;
    double end;
    double factor;
};

// Zero-delay-feedback state-variable filter; the cutoff may change every sample.
class Svf {
public:
    explicit Svf(double resonance = 0.7) : damping(1.0 / resonance) {}
    void SetCutoff(double hertz);
    void Process(double input);
    double Low() const { return low; }
    double Band() const { return band; }
    double High() const { return high; }

private:
    double damping;
    double a1 = 0.0;
    double a2 = 0.0;
    double a3 = 0.0;
    double g = 0.0;
    double lastCutoff = -1.0;
    double state1 = 0.0;
    double state2 = 0.0;
    double low = 0.0;
    double band = 0.0;
    double high = 0.0;
};

class OnePole {
public:
    explicit OnePole(double cutoffHertz);
    double Low(double input);
    double High(double input) { return input - Low(input); }

private:
    double coefficient;
    double state = 0.0;
};

// Direct-form biquad, used where exact textbook coefficients matter (loudness weighting).
struct Biquad {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double z1 = 0.0;
    double z2 = 0.0;
    double Process(double input);
};

// A stereo plate: eight damped combs and four all-passes per side, the right side's
// lengths a little longer so the two sides stay apart.
class Reverb {
public:
    Reverb(double size, double damping);
    void Process(double inLeft, double inRight, double* outLeft, double* outRight);

private:
    struct Comb {
        std::vector<double> line;
        std::size_t index = 0;
        double filtered = 0.0;
    };
    struct AllPass {
        std::vector<double> line;
        std::size_t index = 0;
    };
    double feedback;
    double damping;
    std::vector<Comb> combs[2];
    std::vector<AllPass> allPasses[2];
};

// Echoes that alternate between the sides, each one darker than the last.
class PingPongDelay {
public:
    PingPongDelay(double seconds, double feedback, double toneHertz);
    void Process(double inLeft, double inRight, double* outLeft, double* outRight);

private:
    std::vector<double> lines[2];
    std::size_t index = 0;
    double feedback;
    OnePole tone[2];
};

// A smooth saturation close to tanh, cheap enough for every sample.
inline double SoftClip(double x) {
    if (x >= 3.0) {
        return 1.0;
    }
    if (x <= -3.0) {
        return -1.0;
    }
    const double x2 = x * x;
    return x * (27.0 + x2) / (27.0 + 9.0 * x2);
}

} // namespace datagen
