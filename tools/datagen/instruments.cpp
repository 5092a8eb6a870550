#include "tools/datagen/instruments.h"

#include <algorithm>
#include <cmath>

namespace datagen {
namespace {

constexpr double dt = 1.0 / sampleRate;

std::size_t Frames(double seconds) {
    return FrameAt(seconds);
}

// 1 inside a voice, falling linearly to 0 over its last fade frames, so no voice ends
// with a step.
double Tail(std::size_t i, std::size_t length, std::size_t fade) {
    const std::size_t left = length - i;
    return left >= fade ? 1.0 : static_cast<double>(left) / fade;
}

double Cents(double cents) {
    return Exp(cents * (0.69314718055994530942 / 1200.0));
}

// Metallic partials of a hi-hat or cymbal: square waves at inharmonic ratios.
struct Metal {
    double phases[6] = {0.0, 0.13, 0.29, 0.41, 0.57, 0.73};
    double Next(double base) {
        constexpr double ratios[6] = {1.0, 1.4471, 1.6170, 1.9265, 2.5028, 2.6637};
        double sum = 0.0;
        for (int k = 0; k < 6; ++k) {
            const double increment = base * ratios[k] * dt;
            sum += Square(phases[k], increment);
            phases[k] = Advance(phases[k], increment);
        }
        return sum / 6.0;
    }
};

} // namespace

void Instruments::Kick(double time, double gain) {
    const std::size_t fade = Frames(0.03);
    const std::size_t length = Frames(0.45);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.02, 0.0, false}, time);
    Glide pitch(170.0, 47.0, 0.032);
    Envelope amp(0.0015, 0.2, 0.0, 1.0);
    Glide click(1.0, 0.0, 0.0025);
    OnePole clickTone(3000.0);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double body = SoftClip(1.8 * SineTurns(phase) * amp.Next());
        phase = Advance(phase, pitch.Next() * dt);
        const double snap = clickTone.High(random.Bipolar()) * click.Next();
        tap.Write(i, (0.85 * body + 0.35 * snap) * Tail(i, length, fade));
    }
}

void Instruments::Snare(double time, double gain) {
    const std::size_t fade = Frames(0.02);
    const std::size_t length = Frames(0.32);
    Mixer::Tap tap = mixer.At(Route{gain, 0.05, 0.22, 0.0, false}, time);
    Glide pitch(260.0, 185.0, 0.02);
    Glide toneAmp(1.0, 0.0, 0.05);
    Envelope noiseAmp(0.001, 0.11, 0.0, 1.0);
    OnePole lowCut(1200.0);
    Svf highCut(0.6);
    highCut.SetCutoff(8000.0);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double tone = SineTurns(phase) * toneAmp.Next();
        phase = Advance(phase, pitch.Next() * dt);
        highCut.Process(lowCut.High(random.Bipolar()));
        const double noise = highCut.Low() * noiseAmp.Next();
        tap.Write(i, (0.5 * tone + 0.9 * noise) * Tail(i, length, fade));
    }
}

void Instruments::Clap(double time, double gain) {
    const std::size_t fade = Frames(0.02);
    const std::size_t length = Frames(0.35);
    Mixer::Tap tap = mixer.At(Route{gain, -0.05, 0.3, 0.0, false}, time);
    Svf band(1.4);
    band.SetCutoff(1150.0);
    const double burstFactor = Exp(-dt / 0.005);
    const double tailFactor = Exp(-dt / 0.11);
    const std::size_t secondClap = Frames(0.011);
    const std::size_t thirdClap = Frames(0.022);
    const std::size_t tailStart = Frames(0.033);
    double burst = 0.0;
    double tailLevel = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double t = i * dt;
        // Three quick hand claps, then the room's tail.
        if (i == 0 || i == secondClap || i == thirdClap) {
            burst = 1.0;
        }
        if (i == tailStart) {
            tailLevel = 0.7;
        }
        const double level = std::max(burst, tailLevel) * std::min(1.0, t / 0.0008 + 0.2);
        burst *= burstFactor;
        tailLevel *= tailFactor;
        band.Process(random.Bipolar());
        tap.Write(i, 2.2 * band.Band() * level * Tail(i, length, fade));
    }
}

void Instruments::HiHat(double time, double gain, bool open, double pan) {
    const std::size_t fade = Frames(0.015);
    const std::size_t length = Frames(open ? 0.5 : 0.12);
    Mixer::Tap tap = mixer.At(Route{gain, pan, open ? 0.12 : 0.05, 0.0, false}, time);
    Metal metal;
    Svf highPass(0.8);
    highPass.SetCutoff(7200.0);
    Envelope amp(0.0005, open ? 0.2 : 0.03, 0.0, 1.0);
    for (std::size_t i = 0; i < length; ++i) {
        highPass.Process(0.6 * metal.Next(420.0) + 0.5 * random.Bipolar());
        tap.Write(i, 1.2 * highPass.High() * amp.Next() * Tail(i, length, fade));
    }
}

void Instruments::Crash(double time, double gain) {
    const std::size_t fade = Frames(0.3);
    const std::size_t length = Frames(3.2);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.25, 0.0, false}, time);
    Metal metal;
    Svf highLeft(0.7);
    Svf highRight(0.7);
    highLeft.SetCutoff(3800.0);
    highRight.SetCutoff(4100.0);
    Envelope amp(0.001, 0.85, 0.0, 1.0);
    Glide sizzle(1.0, 0.35, 0.15);
    for (std::size_t i = 0; i < length; ++i) {
        const double ring = 0.5 * metal.Next(560.0);
        const double level = amp.Next() * sizzle.Next() * Tail(i, length, fade);
        highLeft.Process(ring + random.Bipolar());
        highRight.Process(ring + random.Bipolar());
        tap.Write(i, highLeft.High() * level, highRight.High() * level);
    }
}

void Instruments::Tom(double time, double hertz, double gain) {
    const std::size_t fade = Frames(0.05);
    const std::size_t length = Frames(0.7);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.25, 0.0, false}, time);
    Glide pitch(hertz * 1.7, hertz, 0.04);
    Envelope amp(0.001, 0.22, 0.0, 1.0);
    Glide hit(1.0, 0.0, 0.006);
    OnePole noiseTone(2500.0);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double body = SineTurns(phase) * amp.Next();
        phase = Advance(phase, pitch.Next() * dt);
        const double attack = noiseTone.Low(random.Bipolar()) * hit.Next();
        tap.Write(i, SoftClip(1.4 * body + 0.6 * attack) * Tail(i, length, fade));
    }
}

void Instruments::Boom(double time, double gain) {
    const std::size_t fade = Frames(0.3);
    const std::size_t length = Frames(3.0);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.35, 0.0, false}, time);
    Glide pitch(120.0, 36.0, 0.2);
    Envelope amp(0.002, 0.9, 0.0, 1.0);
    Envelope dust(0.001, 0.3, 0.0, 1.0);
    Svf noiseTone(0.7);
    noiseTone.SetCutoff(900.0);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double body = SineTurns(phase) * amp.Next();
        phase = Advance(phase, pitch.Next() * dt);
        noiseTone.Process(random.Bipolar());
        const double rumble = noiseTone.Low() * dust.Next();
        tap.Write(i, SoftClip(1.5 * body + 0.8 * rumble) * Tail(i, length, fade));
    }
}

void Instruments::Tick(double time, bool tock, double gain) {
    const std::size_t fade = Frames(0.01);
    const std::size_t length = Frames(0.12);
    Mixer::Tap tap = mixer.At(Route{gain, tock ? 0.55 : -0.55, 0.35, 0.0, false}, time);
    const double hertz = tock ? 1480.0 : 1960.0;
    Glide amp(1.0, 0.0, 0.014);
    Glide click(1.0, 0.0, 0.0015);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double ring = SineTurns(phase) * amp.Next() * std::min(1.0, i / 20.0);
        phase = Advance(phase, hertz * dt);
        tap.Write(i, (0.8 * ring + 0.3 * random.Bipolar() * click.Next()) * Tail(i, length, fade));
    }
}

void Instruments::Riser(double start, double end, double gain) {
    const std::size_t fade = Frames(0.01);
    const std::size_t length = Frames(end - start);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.3, 0.0, false}, start);
    Svf left(2.0);
    Svf right(2.0);
    double phase = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
        const double x = static_cast<double>(i) / length;
        const double cutoff = 250.0 * Exp(3.6 * x); // up to about 9 kHz
        if (i % 32 == 0) {
            left.SetCutoff(cutoff);
            right.SetCutoff(cutoff * 1.06);
        }
        left.Process(random.Bipolar());
        right.Process(random.Bipolar());
        // A rising tone under the noise, an octave and a half over the sweep.
        const double tone = 0.25 * Saw(phase, (110.0 + 330.0 * x * x) * dt);
        phase = Advance(phase, (110.0 + 330.0 * x * x) * dt);
        const double level = x * x * Tail(i, length, fade);
        tap.Write(i, (left.Band() + tone) * level, (right.Band() + tone) * level);
    }
}

void Instruments::Downlifter(double start, double length, double gain) {
    const std::size_t frames = Frames(length);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.35, 0.0, false}, start);
    Svf left(1.6);
    Svf right(1.6);
    for (std::size_t i = 0; i < frames; ++i) {
        const double x = static_cast<double>(i) / frames;
        if (i % 32 == 0) {
            const double cutoff = 7000.0 * Exp(-3.5 * x);
            left.SetCutoff(cutoff);
            right.SetCutoff(cutoff * 0.94);
        }
        left.Process(random.Bipolar());
        right.Process(random.Bipolar());
        const double level = (1.0 - x) * (1.0 - x) * std::min(1.0, i / 200.0);
        tap.Write(i, left.Band() * level, right.Band() * level);
    }
}

void Instruments::ReverseCymbal(double hit, double length, double gain) {
    const std::size_t fade = Frames(0.006);
    const std::size_t frames = Frames(length);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.2, 0.0, false}, hit - length);
    Metal metal;
    Svf highLeft(0.7);
    Svf highRight(0.7);
    highLeft.SetCutoff(3500.0);
    highRight.SetCutoff(3700.0);
    const double rise = Exp(dt / (0.22 * length));
    double level = Exp(-1.0 / 0.22);
    for (std::size_t i = 0; i < frames; ++i) {
        const double ring = 0.4 * metal.Next(560.0);
        highLeft.Process(ring + random.Bipolar());
        highRight.Process(ring + random.Bipolar());
        const double shaped = level * Tail(i, frames, fade);
        level *= rise;
        tap.Write(i, highLeft.High() * shaped, highRight.High() * shaped);
    }
}

void Instruments::Wind(double start, double end, double gain) {
    const std::size_t frames = Frames(end - start);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.4, 0.0, false}, start);
    Svf left(1.2);
    Svf right(1.2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = i * dt;
        if (i % 64 == 0) {
            const double sway = 0.5 + 0.5 * SineTurns(0.11 * t);
            left.SetCutoff(350.0 + 900.0 * sway);
            right.SetCutoff(350.0 + 900.0 * (1.0 - sway));
        }
        left.Process(random.Bipolar());
        right.Process(random.Bipolar());
        const double x = static_cast<double>(i) / frames;
        const double level = SmoothStep(0.0, 0.3, x) * SmoothStep(1.0, 0.75, x);
        tap.Write(i, left.Band() * level, right.Band() * level);
    }
}

void Instruments::Bass(double time, int note, double length, double gain, double brightness) {
    const std::size_t fade = Frames(0.01);
    const double release = 0.03;
    const std::size_t frames = Frames(length + release * 4.0);
    const std::size_t noteOff = Frames(length);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.0, 0.0, true}, time);
    const double hertz = NoteToHertz(note);
    Envelope amp(0.003, 1.0, 1.0, release);
    Glide filterEnvelope(1.0, 0.0, 0.09);
    Svf filter(1.1);
    double sawPhase = 0.0;
    double subPhase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        if (i == noteOff) {
            amp.Release();
        }
        const double sweep = filterEnvelope.Next();
        if (i % 16 == 0) {
            filter.SetCutoff(hertz * 2.5 + (300.0 + 2600.0 * brightness) * sweep);
        }
        filter.Process(Saw(sawPhase, hertz * dt));
        sawPhase = Advance(sawPhase, hertz * dt);
        const double sub = SineTurns(subPhase);
        subPhase = Advance(subPhase, hertz * dt);
        const double voice = SoftClip(1.3 * (0.8 * filter.Low() + 0.7 * sub)) * amp.Next();
        tap.Write(i, voice * Tail(i, frames, fade));
    }
}

void Instruments::Pad(double time, const std::vector<int>& notes, double length, double gain,
                      double brightness, double attack) {
    const std::size_t fade = Frames(0.05);
    const double release = 0.6;
    const std::size_t frames = Frames(length + release * 4.5);
    const std::size_t noteOff = Frames(length);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.35, 0.0, true}, time);
    constexpr double detune[2][2] = {{-10.0, 5.0}, {-5.0, 10.0}};
    struct Voice {
        double increment[2][2];
        double phase[2][2];
    };
    std::vector<Voice> voices;
    for (const int note : notes) {
        Voice voice{};
        for (int side = 0; side < 2; ++side) {
            for (int k = 0; k < 2; ++k) {
                voice.increment[side][k] = NoteToHertz(note) * Cents(detune[side][k]) * dt;
                voice.phase[side][k] = random.Uniform();
            }
        }
        voices.push_back(voice);
    }
    const double norm = 0.5 / std::sqrt(2.0 * notes.size());
    Envelope amp(attack, 1.0, 1.0, release);
    Svf filters[2] = {Svf(0.8), Svf(0.8)};
    const double lfoStart = random.Uniform();
    for (std::size_t i = 0; i < frames; ++i) {
        if (i == noteOff) {
            amp.Release();
        }
        if (i % 16 == 0) {
            const double lfo = SineTurns(lfoStart + 0.13 * i * dt);
            const double cutoff = (700.0 + 2600.0 * brightness) * (1.0 + 0.2 * lfo);
            filters[0].SetCutoff(cutoff);
            filters[1].SetCutoff(cutoff * 1.08);
        }
        const double level = amp.Next() * Tail(i, frames, fade);
        double out[2] = {0.0, 0.0};
        for (Voice& voice : voices) {
            for (int side = 0; side < 2; ++side) {
                for (int k = 0; k < 2; ++k) {
                    out[side] += Saw(voice.phase[side][k], voice.increment[side][k]);
                    voice.phase[side][k] = Advance(voice.phase[side][k], voice.increment[side][k]);
                }
            }
        }
        filters[0].Process(out[0] * norm);
        filters[1].Process(out[1] * norm);
        tap.Write(i, filters[0].Low() * level, filters[1].Low() * level);
    }
}

void Instruments::Glass(double time, const std::vector<int>& notes, double length, double gain) {
    const std::size_t fade = Frames(0.05);
    const double release = 0.8;
    const std::size_t frames = Frames(length + release * 4.5);
    const std::size_t noteOff = Frames(length);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.6, 0.15, false}, time);
    std::vector<double> increments;
    std::vector<double> phases;
    for (const int note : notes) {
        increments.push_back(NoteToHertz(note) * Cents(-4.0) * dt);
        increments.push_back(NoteToHertz(note) * Cents(4.0) * dt);
        phases.push_back(random.Uniform());
        phases.push_back(random.Uniform());
    }
    Envelope amp(1.5, 1.0, 1.0, release);
    const double norm = 0.35 / std::sqrt(static_cast<double>(increments.size()));
    for (std::size_t i = 0; i < frames; ++i) {
        if (i == noteOff) {
            amp.Release();
        }
        const double t = i * dt;
        const double shimmer = 0.75 + 0.25 * SineTurns(4.0 * t);
        double left = 0.0;
        double right = 0.0;
        for (std::size_t k = 0; k < increments.size(); ++k) {
            const double wave = SineTurns(phases[k]) + 0.15 * Triangle(phases[k]);
            (k % 2 == 0 ? left : right) += wave;
            phases[k] = Advance(phases[k], increments[k]);
        }
        const double level = amp.Next() * shimmer * norm * Tail(i, frames, fade);
        tap.Write(i, left * level, right * level);
    }
}

void Instruments::Pluck(double time, int note, double gain, double brightness, double pan) {
    const std::size_t fade = Frames(0.02);
    const std::size_t frames = Frames(0.45);
    Mixer::Tap tap = mixer.At(Route{gain, pan, 0.2, 0.32, true}, time);
    const double hertz = NoteToHertz(note);
    Envelope amp(0.002, 0.16, 0.0, 1.0);
    Glide filterEnvelope(1.0, 0.0, 0.07);
    Svf filter(1.5);
    double phaseA = 0.0;
    double phaseB = 0.31;
    const double incrementA = hertz * dt;
    const double incrementB = hertz * Cents(9.0) * dt;
    for (std::size_t i = 0; i < frames; ++i) {
        const double sweep = filterEnvelope.Next();
        if (i % 8 == 0) {
            filter.SetCutoff(hertz * 1.5 + (800.0 + 5000.0 * brightness) * sweep);
        }
        filter.Process(0.6 * Saw(phaseA, incrementA) + 0.4 * Square(phaseB, incrementB));
        phaseA = Advance(phaseA, incrementA);
        phaseB = Advance(phaseB, incrementB);
        tap.Write(i, filter.Low() * amp.Next() * Tail(i, frames, fade));
    }
}

void Instruments::Bell(double time, int note, double gain, double decay, double pan) {
    const std::size_t fade = Frames(0.05);
    const std::size_t frames = Frames(decay * 4.0);
    Mixer::Tap tap = mixer.At(Route{gain, pan, 0.45, 0.2, false}, time);
    const double hertz = NoteToHertz(note);
    Envelope amp(0.002, decay, 0.0, 1.0);
    Glide index(2.2, 0.25, 0.35 * decay);
    Glide shimmerAmp(0.3, 0.0, 0.3 * decay);
    double carrier = 0.0;
    double modulator = 0.0;
    double partial = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double modulation = index.Next() * SineTurns(modulator) / twoPi;
        const double tone = SineTurns(carrier + modulation);
        const double upper = SineTurns(partial) * shimmerAmp.Next();
        carrier = Advance(carrier, hertz * dt);
        modulator = Advance(modulator, 2.0 * hertz * dt);
        partial = Advance(partial, 2.76 * hertz * dt);
        tap.Write(i, (tone + upper) * amp.Next() * 0.6 * Tail(i, frames, fade));
    }
}

void Instruments::Lead(double time, int note, double length, double gain) {
    const std::size_t fade = Frames(0.02);
    const double release = 0.09;
    const std::size_t frames = Frames(length + release * 5.0);
    const std::size_t noteOff = Frames(length);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.25, 0.3, false}, time);
    const double hertz = NoteToHertz(note);
    const double spread[3] = {Cents(-9.0), 1.0, Cents(9.0)};
    double phases[3] = {0.0, 0.37, 0.71};
    double subPhase = 0.0;
    double vibratoPhase = 0.0;
    Envelope amp(0.008, 0.35, 0.75, release);
    Glide filterEnvelope(1.0, 0.0, 0.2);
    Svf filters[2] = {Svf(1.0), Svf(1.0)};
    for (std::size_t i = 0; i < frames; ++i) {
        if (i == noteOff) {
            amp.Release();
        }
        const double t = i * dt;
        const double vibratoDepth = 0.005 * SmoothStep(0.15, 0.45, t);
        const double bend = 1.0 + vibratoDepth * SineTurns(vibratoPhase);
        vibratoPhase = Advance(vibratoPhase, 5.3 * dt);
        const double sweep = filterEnvelope.Next();
        if (i % 16 == 0) {
            filters[0].SetCutoff(2400.0 + 2600.0 * sweep);
            filters[1].SetCutoff(2500.0 + 2600.0 * sweep);
        }
        double voices[3];
        for (int k = 0; k < 3; ++k) {
            const double increment = hertz * spread[k] * bend * dt;
            voices[k] = Saw(phases[k], increment);
            phases[k] = Advance(phases[k], increment);
        }
        const double sub = Square(subPhase, 0.5 * hertz * bend * dt);
        subPhase = Advance(subPhase, 0.5 * hertz * bend * dt);
        filters[0].Process(voices[0] + 0.7 * voices[1] + 0.3 * sub);
        filters[1].Process(voices[2] + 0.7 * voices[1] + 0.3 * sub);
        const double level = 0.32 * amp.Next() * Tail(i, frames, fade);
        tap.Write(i, filters[0].Low() * level, filters[1].Low() * level);
    }
}

void Instruments::Stab(double time, const std::vector<int>& notes, double gain) {
    const std::size_t fade = Frames(0.03);
    const std::size_t frames = Frames(0.6);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.35, 0.15, false}, time);
    std::vector<double> increments;
    std::vector<double> phases;
    for (const int note : notes) {
        for (const double cents : {-10.0, 10.0}) {
            increments.push_back(NoteToHertz(note) * Cents(cents) * dt);
            phases.push_back(random.Uniform());
        }
    }
    Envelope amp(0.002, 0.17, 0.0, 1.0);
    Glide filterEnvelope(1.0, 0.0, 0.08);
    Svf filters[2] = {Svf(1.2), Svf(1.2)};
    const double norm = 0.6 / std::sqrt(static_cast<double>(increments.size()));
    for (std::size_t i = 0; i < frames; ++i) {
        const double sweep = filterEnvelope.Next();
        if (i % 8 == 0) {
            filters[0].SetCutoff(500.0 + 6000.0 * sweep);
            filters[1].SetCutoff(520.0 + 6200.0 * sweep);
        }
        double left = 0.0;
        double right = 0.0;
        for (std::size_t k = 0; k < increments.size(); ++k) {
            (k % 2 == 0 ? left : right) += Saw(phases[k], increments[k]);
            phases[k] = Advance(phases[k], increments[k]);
        }
        filters[0].Process(left * norm);
        filters[1].Process(right * norm);
        const double level = amp.Next() * Tail(i, frames, fade);
        tap.Write(i, filters[0].Low() * level, filters[1].Low() * level);
    }
}

void Instruments::Drone(double start, double end, int note, double gain) {
    const std::size_t frames = Frames(end - start);
    Mixer::Tap tap = mixer.At(Route{gain, 0.0, 0.3, 0.0, false}, start);
    const double hertz = NoteToHertz(note);
    double phases[3] = {0.0, 0.0, 0.0};
    const double ratios[3] = {1.0, 1.5, 2.0};
    const double levels[3] = {1.0, 0.35, 0.2};
    for (std::size_t i = 0; i < frames; ++i) {
        const double x = static_cast<double>(i) / frames;
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) {
            sum += levels[k] * SineTurns(phases[k]);
            phases[k] = Advance(phases[k], hertz * ratios[k] * dt);
        }
        const double level = SmoothStep(0.0, 0.35, x) * SmoothStep(1.0, 0.7, x);
        tap.Write(i, 0.5 * sum * level);
    }
}

} // namespace datagen
