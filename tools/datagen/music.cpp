#include "tools/datagen/music.h"

#include "tools/datagen/instruments.h"

#include <cmath>

namespace datagen {
namespace {

struct Chord {
    int bass;
    std::vector<int> pad;
    std::vector<int> arp;
};

const Chord aMinor{33, {57, 60, 64, 69}, {69, 72, 76, 81}};
const Chord fMajor{29, {53, 57, 60, 65}, {65, 69, 72, 77}};
const Chord cMajor{36, {55, 60, 64, 67}, {67, 72, 76, 79}};
const Chord gMajor{31, {55, 59, 62, 67}, {67, 71, 74, 79}};
const Chord eMajor{28, {56, 59, 64, 68}, {68, 71, 76, 80}};
const Chord aMinorAdd9{33, {57, 60, 64, 71}, {69, 72, 76, 83}};

struct Span {
    double start;
    double end;
    const Chord* chord;
};

// Bars of four beats start on even seconds in the intro and the outro and on odd seconds
// from the drums' entry to the last swell; a bar of two beats at 8 s and at 39 s turns
// from one to the other, so the drum entry, the drop and the title fall on downbeats.
const std::vector<Span>& Harmony() {
    static const std::vector<Span> spans = {
        {2, 4, &aMinor},       {4, 6, &fMajor},   {6, 8, &cMajor},   {8, 9, &gMajor},
        {9, 11, &aMinor},      {11, 13, &fMajor}, {13, 15, &cMajor}, {15, 17, &gMajor},
        {17, 19, &aMinor},     {19, 21, &fMajor}, {21, 23, &gMajor}, {23, 25, &eMajor},
        {25, 27, &aMinor},     {27, 29, &fMajor}, {29, 30, &cMajor}, {30, 31, &gMajor},
        {31, 33, &aMinor},     {33, 34, &fMajor}, {34, 35, &gMajor}, {35, 37, &aMinor},
        {37, 39, &fMajor},     {39, 40, &gMajor}, {40, 42, &aMinor}, {42, 44, &fMajor},
        {44, 46, &cMajor},     {46, 48, &gMajor}, {48, 50, &aMinor}, {50, 52, &fMajor},
        {52, 54, &cMajor},     {54, 56, &gMajor}, {56, 58, &fMajor}, {58, 60, &eMajor},
        {60, 62, &aMinorAdd9},
    };
    return spans;
}

const Chord& ChordAt(double seconds) {
    for (const Span& span : Harmony()) {
        if (seconds >= span.start && seconds < span.end) {
            return *span.chord;
        }
    }
    return aMinor;
}

// Calls play(time, index) every step seconds from start while time < end.
template <typename Play>
void Every(double start, double end, double step, Play play) {
    for (int index = 0; start + index * step < end - 1e-9; ++index) {
        play(start + index * step, index);
    }
}

double Ramp(double from, double to, double start, double end, double time) {
    return from + (to - from) * (time - start) / (end - start);
}

struct Note {
    double time;
    int note;
    double length;
};

// The hook and its answers, from the drop to the outro's downbeat.
const std::vector<Note>& Melody() {
    static const std::vector<Note> notes = {
        {25.0, 76, 0.45},  {25.5, 81, 0.22}, {25.75, 79, 0.22}, {26.0, 76, 0.45},  {26.5, 74, 0.22},
        {26.75, 72, 0.22}, {27.0, 77, 0.45}, {27.5, 76, 0.22},  {27.75, 74, 0.22}, {28.0, 72, 0.7},
        {28.75, 69, 0.22}, {29.0, 76, 0.45}, {29.5, 79, 0.45},  {30.0, 79, 0.45},  {30.5, 77, 0.22},
        {30.75, 76, 0.22}, {31.0, 81, 0.7},  {31.75, 79, 0.22}, {32.0, 76, 0.45},  {32.5, 72, 0.45},
        {33.0, 77, 0.45},  {33.5, 76, 0.22}, {33.75, 77, 0.22}, {34.0, 79, 0.45},  {34.5, 74, 0.22},
        {34.75, 71, 0.22}, {35.0, 81, 0.95}, {36.0, 79, 0.45},  {36.5, 76, 0.45},  {37.0, 77, 0.95},
        {38.0, 76, 0.45},  {38.5, 72, 0.45}, {39.0, 74, 0.45},  {39.5, 71, 0.4},   {40.0, 69, 1.8},
    };
    return notes;
}

void Intro(Instruments& play) {
    play.Drone(0.0, 10.0, 33, 0.3);
    play.Wind(0.0, 9.5, 0.3);
    play.ReverseCymbal(2.0, 1.6, 0.45);
    // The logo: an impact with a bell chord.
    play.Boom(2.0, 0.6);
    for (const int note : {69, 76, 81}) {
        play.Bell(2.0, note, 0.3, 1.4, 0.0);
    }
    // The pendulum ticks on every beat until the drums take over.
    Every(2.0, 9.0, beatSeconds,
          [&](double time, int index) { play.Tick(time, index % 2 == 1, 0.45); });
    // A music box walks the chords.
    Every(2.5, 9.0, beatSeconds, [&](double time, int index) {
        const std::vector<int>& arp = ChordAt(time).arp;
        constexpr int order[4] = {0, 2, 1, 3};
        const int beatInBar = (index + 1) % 4;
        play.Bell(time, arp[order[beatInBar]], 0.2, 0.7, index % 2 == 0 ? 0.3 : -0.3);
    });
    play.Riser(6.5, 9.0, 0.35);
    play.Snare(8.5, 0.35);
    play.Snare(8.75, 0.45);
}

void Drums(Instruments& play, Mixer& mixer) {
    const auto kick = [&](double time, double gain) {
        play.Kick(time, gain);
        mixer.DuckAt(time);
    };
    Every(9.0, 23.0, beatSeconds, [&](double time, int) { kick(time, 0.85); });
    Every(25.0, 39.0, beatSeconds, [&](double time, int) { kick(time, 0.9); });
    Every(40.0, 48.0, beatSeconds,
          [&](double time, int) { kick(time, Ramp(0.85, 0.6, 40.0, 48.0, time)); });

    for (const double time : {9.0, 15.0, 21.0, 25.0, 30.0, 35.0, 40.0}) {
        play.Crash(time, 0.42);
    }
    play.Crash(60.0, 0.22);

    // Hats: off-beat eighths, then sixteenths with open hats on the off-beats in the drop.
    Every(9.25, 24.0, beatSeconds, [&](double time, int) { play.HiHat(time, 0.32, false, 0.25); });
    Every(17.125, 23.0, 0.25, [&](double time, int) { play.HiHat(time, 0.13, false, -0.2); });
    Every(25.0, 39.0, 0.125, [&](double time, int index) {
        switch (index % 4) {
        case 2:
            play.HiHat(time, 0.22, true, 0.3);
            break;
        case 0:
            play.HiHat(time, 0.12, false, -0.25);
            break;
        default:
            play.HiHat(time, 0.17, false, -0.25);
        }
    });
    Every(40.25, 56.0, beatSeconds, [&](double time, int) {
        play.HiHat(time, Ramp(0.3, 0.08, 40.0, 56.0, time), false, 0.25);
    });

    // The back beat falls on every half second whichever way the bars run.
    Every(11.5, 21.0, 1.0, [&](double time, int) { play.Clap(time, 0.75); });
    Every(25.5, 39.0, 1.0, [&](double time, int) { play.Clap(time, 0.85); });
    Every(40.5, 48.0, 1.0, [&](double time, int) { play.Clap(time, 0.65); });
}

// A snare roll that doubles its speed at each of the given times and grows louder towards
// the last one: quarters, eighths, sixteenths, then thirty-seconds.
void SnareRoll(Instruments& play, const std::vector<double>& changes, double from, double to) {
    const double start = changes.front();
    const double end = changes.back();
    double step = beatSeconds;
    for (std::size_t part = 0; part + 1 < changes.size(); ++part) {
        Every(changes[part], changes[part + 1], step,
              [&](double time, int) { play.Snare(time, Ramp(from, to, start, end, time)); });
        step /= 2.0;
    }
}

void Credits(Instruments& play) {
    // One word slams in each second: a tom a step higher each time, and a chord stab.
    const double toms[4] = {82.0, 98.0, 123.0, 147.0};
    for (int i = 0; i < 4; ++i) {
        const double time = 14.0 + i;
        play.Tom(time, toms[i], 0.6);
        std::vector<int> stab = ChordAt(time).pad;
        for (int& note : stab) {
            note += 12;
        }
        play.Stab(time, stab, 0.8);
    }
}

void Build(Instruments& play) {
    // The big zoom: an impact falling away, then a roll and a riser into the drop.
    play.Boom(21.0, 0.7);
    play.Downlifter(21.0, 2.0, 0.3);
    SnareRoll(play, {21.0, 23.0, 24.0, 24.5, 24.875}, 0.18, 0.6);
    play.Riser(22.0, 24.9, 0.38);
    play.Boom(25.0, 0.65);
}

void Swell(Instruments& play) {
    play.Stab(30.0, {67, 71, 74, 79}, 0.7);
    play.ReverseCymbal(35.0, 1.5, 0.4);
    play.Boom(35.0, 0.5);
    SnareRoll(play, {37.0, 38.0, 39.0, 39.5, 39.875}, 0.2, 0.6);
    play.Riser(36.0, 39.95, 0.38);
    play.Boom(40.0, 0.65);
}

void BassLine(Instruments& play) {
    play.Bass(10.0, aMinor.bass, 0.22, 0.55, 0.35);
    Every(10.25, 21.0, beatSeconds, [&](double time, int) {
        play.Bass(time, ChordAt(time).bass, 0.2, 0.55, Ramp(0.3, 0.5, 10.0, 21.0, time));
    });
    play.Bass(21.0, gMajor.bass, 1.9, 0.5, 0.15);
    Every(23.25, 24.875, 0.25, [&](double time, int) {
        play.Bass(time, eMajor.bass, 0.18, 0.5, Ramp(0.3, 0.9, 23.0, 25.0, time));
    });
    // Rolling sixteenths in the drop, leaving each beat's first sixteenth to the kick.
    Every(25.0, 40.0, beatSeconds, [&](double beat, int) {
        const int root = ChordAt(beat).bass;
        const int notes[3] = {root, root + 12, root};
        const double brightness = beat < 35.0 ? 0.55 : Ramp(0.55, 0.8, 35.0, 40.0, beat);
        for (int k = 0; k < 3; ++k) {
            play.Bass(beat + 0.125 * (k + 1), notes[k], 0.1, 0.5, brightness);
        }
    });
    Every(40.25, 48.0, beatSeconds,
          [&](double time, int) { play.Bass(time, ChordAt(time).bass, 0.2, 0.5, 0.35); });
    Every(48.0, 60.0, 2.0, [&](double time, int) {
        play.Bass(time, ChordAt(time).bass, 1.9, Ramp(0.45, 0.3, 48.0, 60.0, time), 0.1);
    });
    play.Bass(60.0, aMinor.bass, 1.5, 0.3, 0.05);
}

void Pads(Instruments& play) {
    for (const Span& span : Harmony()) {
        const double t = span.start;
        double gain = 0.36;
        double brightness = 0.2;
        if (t < 9.0) {
            gain = 0.4;
            brightness = 0.12;
        } else if (t < 25.0) {
            brightness = Ramp(0.25, 0.45, 9.0, 25.0, t);
        } else if (t < 35.0) {
            brightness = 0.6;
        } else if (t < 40.0) {
            gain = Ramp(0.36, 0.55, 35.0, 40.0, t);
            brightness = Ramp(0.7, 0.95, 35.0, 40.0, t);
        } else if (t < 60.0) {
            gain = Ramp(0.38, 0.3, 40.0, 60.0, t);
            brightness = Ramp(0.5, 0.12, 40.0, 60.0, t);
        } else {
            gain = 0.4;
        }
        const double attack = t == 2.0 ? 0.8 : 0.12;
        const double length = t >= 60.0 ? 1.5 : span.end - span.start;
        play.Pad(t, span.chord->pad, length, gain, brightness, attack);
    }
}

void Grid(Instruments& play) {
    // A glassy layer for the lens grid, from its fade-in to its end.
    for (const Span& span : Harmony()) {
        if (span.start >= 15.0 && span.start < 60.0) {
            play.Glass(span.start, span.chord->arp, span.end - span.start, 0.42);
        }
    }
}

void Arpeggio(Instruments& play) {
    // The orbiting particles: sixteenths through the chord, opening up into the drop.
    Every(23.0, 56.0, 0.125, [&](double time, int index) {
        const std::vector<int>& arp = ChordAt(time).arp;
        constexpr int order[8] = {0, 1, 2, 3, 2, 1, 3, 2};
        double brightness = 0.55;
        double gain = 0.16;
        if (time < 25.0) {
            brightness = Ramp(0.05, 0.45, 23.0, 25.0, time);
            gain = Ramp(0.07, 0.16, 23.0, 25.0, time);
        } else if (time >= 40.0) {
            brightness = Ramp(0.5, 0.12, 40.0, 56.0, time);
            gain = Ramp(0.16, 0.09, 40.0, 56.0, time);
        }
        play.Pluck(time, arp[order[index % 8]], gain, brightness, index % 2 == 0 ? -0.35 : 0.35);
    });
    Every(56.0, 60.0, 0.25, [&](double time, int index) {
        const std::vector<int>& arp = ChordAt(time).arp;
        play.Pluck(time, arp[index % 4], Ramp(0.09, 0.03, 56.0, 60.0, time), 0.1,
                   index % 2 == 0 ? -0.35 : 0.35);
    });
}

void Leads(Instruments& play) {
    for (const Note& note : Melody()) {
        play.Lead(note.time, note.note, note.length, 0.78);
        // From the change at 30 s an octave below joins in.
        if (note.time >= 30.0) {
            play.Lead(note.time, note.note - 12, note.length, 0.4);
        }
    }
}

void Outro(Instruments& play) {
    // The hook returns on a bell, then the last phrases lead home.
    for (const Note& note : Melody()) {
        if (note.time < 31.0) {
            play.Bell(note.time + 23.0, note.note, 0.22, 0.8, 0.15);
        }
    }
    const Note ending[] = {
        {54.0, 74, 0}, {54.5, 71, 0}, {55.0, 74, 0}, {56.0, 72, 0}, {58.0, 71, 0}};
    for (const Note& note : ending) {
        play.Bell(note.time, note.note, 0.2, 1.2, -0.15);
    }
    play.ReverseCymbal(60.0, 1.5, 0.25);
    play.Boom(60.0, 0.35);
    for (const int note : {69, 76, 81, 84}) {
        play.Bell(60.0, note, 0.22, 1.8, 0.0);
    }
}

} // namespace

const std::vector<ShowMoment>& ShowMoments() {
    static const std::vector<ShowMoment> moments = {
        {2.0, "the logo", "an impact and a bell chord; the pendulum starts ticking"},
        {9.0, "the light rays", "the drums come in on a downbeat, with a crash"},
        {10.0, "the band", "the bass comes in"},
        {14.0, "credit: code", "a tom and a chord stab"},
        {15.0, "credit: kurne; the lens grid", "a higher tom and stab; a crash; a glassy layer"},
        {16.0, "credit: dospe", "a higher tom and stab"},
        {17.0, "credit: fralu", "the highest tom and stab; sixteenth hats"},
        {21.0, "the big zoom", "an impact and a falling sweep; a snare roll starts"},
        {23.0, "the orbiting particles", "the arpeggio comes in; the kick stops for the build"},
        {25.0, "the change: credits and band leave", "the drop: full beat, rolling bass, lead"},
        {30.0, "the change", "a stab and a crash; the lead doubles an octave below"},
        {35.0, "the closing title", "an impact and a crash; the lead's last phrase"},
        {40.0, "the last swell peaks", "an impact and a crash; the outro begins"},
        {60.0, "the end of the grid", "the final chord; the tail fades to silence"},
    };
    return moments;
}

StereoBuffer ComposeMusic() {
    Mixer mixer(musicFrames);
    Instruments play(mixer, 2024);
    Intro(play);
    Drums(play, mixer);
    Credits(play);
    Build(play);
    Swell(play);
    BassLine(play);
    Pads(play);
    Grid(play);
    Arpeggio(play);
    Leads(play);
    Outro(play);
    return mixer.Render();
}

} // namespace datagen
