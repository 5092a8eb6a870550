#include "tools/datagen/synth.h"

#include "tools/datagen/det_math.h"

#include <algorithm>
#include <cmath>

namespace datagen {
namespace {

// Side-chain dip: a 4 ms slope down, then an exponential recovery.
constexpr double duckDepth = 0.5;
constexpr double duckSlope = 0.004;
constexpr double duckRecovery = 0.11;

std::vector<double> DuckingGains(std::vector<double> times, std::size_t frames) {
    std::sort(times.begin(), times.end());
    std::vector<double> gains(frames, 1.0);
    const double recovery = Exp(-1.0 / (duckRecovery * sampleRate));
    const auto slopeFrames = static_cast<int>(duckSlope * sampleRate);
    std::size_t next = 0;
    double depth = 0.0;
    int slopeLeft = 0;
    double slopeStep = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        while (next < times.size() && FrameAt(times[next]) <= i) {
            slopeLeft = slopeFrames;
            slopeStep = (1.0 - depth) / slopeFrames;
            ++next;
        }
        if (slopeLeft > 0) {
            depth += slopeStep;
            --slopeLeft;
        } else {
            depth *= recovery;
        }
        gains[i] = 1.0 - duckDepth * depth;
    }
    return gains;
}

std::vector<double> MakeSineTable() {
    std::vector<double> values(sineTableSize + 1);
    for (int i = 0; i <= sineTableSize; ++i) {
        values[i] = Sin(twoPi * i / sineTableSize);
    }
    return values;
}

const std::vector<double> sineValues = MakeSineTable();

} // namespace

const double* const sineTable = sineValues.data();

std::size_t FrameAt(double seconds) {
    return static_cast<std::size_t>(std::floor(std::max(0.0, seconds) * sampleRate + 0.5));
}

Mixer::Mixer(std::size_t frames)
    : dry(frames), ducked(frames), reverbSend(frames), delaySend(frames) {}

Mixer::Tap::Tap(Mixer& mixer, const Route& route, std::size_t start)
    : mixer(mixer), target(route.ducked ? mixer.ducked : mixer.dry), start(start),
      leftGain(route.gain * Cos((route.pan + 1.0) * pi / 4.0)),
      rightGain(route.gain * Sin((route.pan + 1.0) * pi / 4.0)), reverb(route.reverb),
      delay(route.delay) {}

void Mixer::Tap::Write(std::size_t offset, double left, double right) {
    const std::size_t frame = start + offset;
    const double l = left * leftGain;
    const double r = right * rightGain;
    target.Add(frame, l, r);
    if (reverb > 0.0) {
        mixer.reverbSend.Add(frame, l * reverb, r * reverb);
    }
    if (delay > 0.0) {
        mixer.delaySend.Add(frame, l * delay, r * delay);
    }
}

StereoBuffer Mixer::Render() {
    StereoBuffer out = dry;
    const std::vector<double> gains = DuckingGains(duckTimes, Frames());
    for (std::size_t i = 0; i < Frames(); ++i) {
        out.Add(i, ducked.left[i] * gains[i], ducked.right[i] * gains[i]);
    }
    PingPongDelay echo(0.375, 0.42, 3200.0);
    for (std::size_t i = 0; i < Frames(); ++i) {
        double l = 0.0;
        double r = 0.0;
        echo.Process(delaySend.left[i], delaySend.right[i], &l, &r);
        out.Add(i, l, r);
        reverbSend.Add(i, 0.3 * l, 0.3 * r);
    }
    Reverb plate(0.86, 0.35);
    for (std::size_t i = 0; i < Frames(); ++i) {
        double l = 0.0;
        double r = 0.0;
        plate.Process(reverbSend.left[i], reverbSend.right[i], &l, &r);
        out.Add(i, l, r);
    }
    return out;
}

Envelope::Envelope(double attack, double decay, double sustain, double release)
    : attackStep(attack > 0.0 ? 1.0 / (attack * sampleRate) : 1.0),
      decayFactor(Exp(-1.0 / (decay * sampleRate))), sustain(sustain),
      releaseFactor(Exp(-1.0 / (release * sampleRate))) {}

double Envelope::Next() {
    if (releasing) {
        level *= releaseFactor;
    } else if (attacking) {
        level += attackStep;
        if (level >= 1.0) {
            level = 1.0;
            attacking = false;
        }
    } else {
        level = sustain + (level - sustain) * decayFactor;
    }
    return level;
}

Glide::Glide(double start, double end, double timeConstant)
    : offset(start - end), end(end), factor(Exp(-1.0 / (timeConstant * sampleRate))) {}

double Glide::Next() {
    const double value = end + offset;
    offset *= factor;
    return value;
}

void Svf::SetCutoff(double hertz) {
    hertz = Clamp(hertz, 20.0, 0.45 * sampleRate);
    if (lastCutoff > 0.0 && std::fabs(hertz - lastCutoff) < 0.002 * lastCutoff) {
        return;
    }
    lastCutoff = hertz;
    g = Tan(pi * hertz / sampleRate);
    a1 = 1.0 / (1.0 + g * (g + damping));
    a2 = g * a1;
    a3 = g * a2;
}

void Svf::Process(double input) {
    const double v3 = input - state2;
    const double v1 = a1 * state1 + a2 * v3;
    const double v2 = state2 + a2 * state1 + a3 * v3;
    state1 = 2.0 * v1 - state1;
    state2 = 2.0 * v2 - state2;
    low = v2;
    band = v1;
    high = input - damping * v1 - v2;
}

OnePole::OnePole(double cutoffHertz) : coefficient(1.0 - Exp(-twoPi * cutoffHertz / sampleRate)) {}

double OnePole::Low(double input) {
    state += coefficient * (input - state);
    return state;
}

double Biquad::Process(double input) {
    const double output = b0 * input + z1;
    z1 = b1 * input - a1 * output + z2;
    z2 = b2 * input - a2 * output;
    return output;
}

Reverb::Reverb(double size, double damping) : feedback(0.7 + 0.28 * size), damping(damping) {
    constexpr int combLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    constexpr int allPassLengths[] = {556, 441, 341, 225};
    constexpr int spread = 23;
    for (int side = 0; side < 2; ++side) {
        for (const int length : combLengths) {
            combs[side].push_back(Comb{std::vector<double>(length + side * spread, 0.0)});
        }
        for (const int length : allPassLengths) {
            allPasses[side].push_back(AllPass{std::vector<double>(length + side * spread, 0.0)});
        }
    }
}

void Reverb::Process(double inLeft, double inRight, double* outLeft, double* outRight) {
    constexpr double inputGain = 0.045;
    const double inputs[2] = {inLeft * inputGain, inRight * inputGain};
    double* outputs[2] = {outLeft, outRight};
    for (int side = 0; side < 2; ++side) {
        double sum = 0.0;
        for (Comb& comb : combs[side]) {
            const double delayed = comb.line[comb.index];
            comb.filtered = delayed * (1.0 - damping) + comb.filtered * damping;
            comb.line[comb.index] = inputs[side] + comb.filtered * feedback;
            comb.index = comb.index + 1 == comb.line.size() ? 0 : comb.index + 1;
            sum += delayed;
        }
        for (AllPass& allPass : allPasses[side]) {
            const double delayed = allPass.line[allPass.index];
            allPass.line[allPass.index] = sum + delayed * 0.5;
            allPass.index = allPass.index + 1 == allPass.line.size() ? 0 : allPass.index + 1;
            sum = delayed - sum;
        }
        *outputs[side] = sum;
    }
}

PingPongDelay::PingPongDelay(double seconds, double feedback, double toneHertz)
    : feedback(feedback), tone{OnePole(toneHertz), OnePole(toneHertz)} {
    const std::size_t length = FrameAt(seconds);
    lines[0].assign(length, 0.0);
    lines[1].assign(length, 0.0);
}

void PingPongDelay::Process(double inLeft, double inRight, double* outLeft, double* outRight) {
    const double left = lines[0][index];
    const double right = lines[1][index];
    lines[0][index] = 0.5 * (inLeft + inRight) + feedback * tone[1].Low(right);
    lines[1][index] = feedback * tone[0].Low(left);
    index = index + 1 == lines[0].size() ? 0 : index + 1;
    *outLeft = left;
    *outRight = right;
}

} // namespace datagen
