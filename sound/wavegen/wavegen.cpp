// Makes the game's four wave files: wavegen <run folder>
//
// Everything is synthesised from sines with fixed parameters and a fixed
// noise seed, so every build writes the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// Peaks: effects at about -6 dBFS, the music well under them.
constexpr double kEffectPeak = 0.5;
constexpr double kMusicPeak = 0.28;

struct Sound {
    int channels = 1;
    std::vector<double> samples;  // interleaved
    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

double midi_hz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// A small linear congruential generator: the same noise on every machine.
struct Noise {
    std::uint32_t state = 0x2545F491u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 8388608.0 - 1.0;
    }
};

void normalise(Sound& s, double peak) {
    double m = 0.0;
    for (double v : s.samples) m = std::max(m, std::abs(v));
    if (m <= 0.0) return;
    for (double& v : s.samples) v *= peak / m;
}

// A short linear fade at the very end, so an effect stops on silence.
void fade_out(Sound& s, double seconds) {
    const std::size_t n = std::min(s.frames(), static_cast<std::size_t>(seconds * kRate));
    const std::size_t f0 = s.frames() - n;
    for (std::size_t f = f0; f < s.frames(); ++f) {
        const double g = static_cast<double>(s.frames() - 1 - f) / static_cast<double>(n);
        for (int c = 0; c < s.channels; ++c) s.samples[f * s.channels + c] *= g;
    }
}

void put16(std::ofstream& o, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    o.write(b, 2);
}
void put32(std::ofstream& o, std::uint32_t v) {
    put16(o, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(o, static_cast<std::uint16_t>(v >> 16));
}

bool write_wave(const std::string& path, const Sound& s) {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    if (!o) return false;
    const std::uint32_t data_bytes = static_cast<std::uint32_t>(s.samples.size() * 2);
    const std::uint16_t block = static_cast<std::uint16_t>(s.channels * 2);
    o.write("RIFF", 4);
    put32(o, 36 + data_bytes);
    o.write("WAVE", 4);
    o.write("fmt ", 4);
    put32(o, 16);
    put16(o, 1);  // integer PCM
    put16(o, static_cast<std::uint16_t>(s.channels));
    put32(o, kRate);
    put32(o, kRate * block);
    put16(o, block);
    put16(o, 16);
    o.write("data", 4);
    put32(o, data_bytes);
    for (double v : s.samples) {
        const long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put16(o, static_cast<std::uint16_t>(static_cast<std::int16_t>(q)));
    }
    return static_cast<bool>(o);
}

// --- その他.wav: three bell strikes rising through a major triad ------------
Sound chime() {
    Sound s;
    s.samples.assign(static_cast<std::size_t>(2.0 * kRate), 0.0);
    struct Partial {
        double ratio, gain, decay;
    };
    // A struck bar: strong fundamental, softer octave, a faint inharmonic shimmer.
    const Partial partials[] = {{1.0, 1.0, 0.70}, {2.0, 0.28, 0.35}, {3.0, 0.08, 0.20}, {4.16, 0.05, 0.12}};
    const struct {
        double start, note, gain;
    } strikes[] = {{0.00, 84, 0.9}, {0.12, 88, 0.8}, {0.24, 91, 0.85}};
    for (const auto& k : strikes) {
        const std::size_t first = static_cast<std::size_t>(k.start * kRate);
        for (std::size_t i = first; i < s.samples.size(); ++i) {
            const double t = static_cast<double>(i - first) / kRate;
            const double attack = std::min(1.0, t / 0.004);
            double v = 0.0;
            for (const Partial& p : partials)
                v += p.gain * std::exp(-t / p.decay) * std::sin(kTwoPi * midi_hz(k.note) * p.ratio * t);
            s.samples[i] += k.gain * attack * v;
        }
    }
    normalise(s, kEffectPeak);
    fade_out(s, 0.4);
    return s;
}

// --- 禁止.wav: two soft low "bu-bu" pulses -----------------------------------
Sound refusal() {
    Sound s;
    s.samples.assign(static_cast<std::size_t>(0.40 * kRate), 0.0);
    const struct { double start, hz; } pulses[] = {{0.00, 164.8}, {0.19, 146.8}};
    const double length = 0.15;
    for (const auto& p : pulses) {
        const std::size_t first = static_cast<std::size_t>(p.start * kRate);
        const std::size_t n = static_cast<std::size_t>(length * kRate);
        for (std::size_t i = 0; i < n && first + i < s.samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            // Smooth attack and release: a raised-cosine edge of 15 ms each side.
            const double edge = 0.015;
            double env = 1.0;
            if (t < edge)
                env = 0.5 - 0.5 * std::cos(kPi * t / edge);
            else if (t > length - edge)
                env = 0.5 - 0.5 * std::cos(kPi * (length - t) / edge);
            // Few harmonics falling fast keep it a hum, not a rasp; a second
            // voice 4 Hz apart gives it a gentle beat.
            double v = 0.0;
            for (int h = 1; h <= 7; ++h) {
                const double g = 1.0 / std::pow(h, 1.6);
                v += g * (std::sin(kTwoPi * p.hz * h * t) +
                          0.6 * std::sin(kTwoPi * (p.hz + 4.0) * h * t + 0.7 * h));
            }
            s.samples[first + i] += env * v;
        }
    }
    normalise(s, kEffectPeak);
    return s;
}

// --- 駒打音.wav: a wooden piece set down on a wooden board --------------------
Sound wooden_click() {
    Sound s;
    s.samples.assign(static_cast<std::size_t>(0.16 * kRate), 0.0);
    // The board's and the piece's body modes, each ringing only briefly.
    const struct {
        double hz, gain, decay;
    } modes[] = {{190.0, 0.45, 0.022},
                 {560.0, 1.00, 0.020},
                 {1230.0, 0.70, 0.012},
                 {2470.0, 0.45, 0.007},
                 {3900.0, 0.25, 0.004}};
    Noise noise;
    double lp = 0.0;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.0004);
        double v = 0.0;
        for (const auto& m : modes) v += m.gain * std::exp(-t / m.decay) * std::sin(kTwoPi * m.hz * t);
        // The tick of the contact: a few milliseconds of softened noise.
        lp += 0.35 * (noise.next() - lp);
        v += 0.6 * std::exp(-t / 0.0025) * lp;
        s.samples[i] = attack * v;
    }
    normalise(s, kEffectPeak);
    fade_out(s, 0.02);
    return s;
}

// --- BGM.wav: a calm eight-bar loop ------------------------------------------
// Everything is rendered on a circle: a note that rings past the end of the
// loop continues at its beginning, so the loop point is as smooth as any
// other moment of the piece.
class Loop {
public:
    explicit Loop(std::size_t frames) : left(frames, 0.0), right(frames, 0.0) {}
    std::vector<double> left, right;

    void add(std::size_t at, double l, double r) {
        const std::size_t i = at % left.size();
        left[i] += l;
        right[i] += r;
    }
};

constexpr double kBeat = 60.0 / 72.0;  // 72 beats a minute
constexpr int kBars = 8;

struct Chord {
    int bass;
    int pad[4];
};
const Chord kChords[kBars] = {
    {41, {53, 57, 60, 64}},  // Fmaj7
    {40, {52, 55, 59, 62}},  // Em7
    {38, {50, 53, 57, 60}},  // Dm7
    {36, {52, 55, 59, 60}},  // Cmaj7
    {41, {53, 57, 60, 64}},  // Fmaj7
    {43, {55, 59, 62, 64}},  // G6
    {45, {55, 57, 60, 64}},  // Am7
    {43, {55, 60, 62, 65}},  // G7sus4
};

struct MelodyNote {
    double beat, note, length;
};
const MelodyNote kMelody[] = {
    {0, 84, 2},    {2, 81, 2},                    // Fmaj7
    {4, 83, 2},    {6, 79, 1},      {7, 76, 1},   // Em7
    {8, 81, 3},    {11, 77, 1},                   // Dm7
    {12, 79, 2},   {14, 76, 2},                   // Cmaj7
    {16, 81, 1.5}, {17.5, 84, 0.5}, {18, 88, 2},  // Fmaj7
    {20, 86, 2},   {22, 83, 2},                   // G6
    {24, 84, 2},   {26, 81, 2},                   // Am7
    {28, 79, 2},   {30, 74, 2},                   // G7sus4
};

std::size_t at_beat(double beat) { return static_cast<std::size_t>(std::lround(beat * kBeat * kRate)); }

// A soft pad note: two slightly detuned sines per side, slow swell and fade.
void pad_note(Loop& loop, double beat, double beats, double note, double gain, double pan) {
    const double hz = midi_hz(note);
    const double hold = beats * kBeat, attack = 0.6, release = 1.2;
    const std::size_t n = static_cast<std::size_t>((hold + release) * kRate);
    const std::size_t first = at_beat(beat);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double env = std::min(1.0, t / attack);
        env = env * env * (3.0 - 2.0 * env);
        if (t > hold)
            env *= std::exp(-(t - hold) / (release / 4.0)) * std::min(1.0, (hold + release - t) / 0.1);
        const double a = std::sin(kTwoPi * hz * 0.9985 * t) + 0.25 * std::sin(kTwoPi * 2.0 * hz * t);
        const double b =
            std::sin(kTwoPi * hz * 1.0015 * t + 1.3) + 0.25 * std::sin(kTwoPi * 2.0 * hz * t + 0.4);
        loop.add(first + i, gain * env * (a * (1.0 - pan) + 0.4 * b * pan),
                 gain * env * (b * pan + 0.4 * a * (1.0 - pan)));
    }
}

// A round electric-piano tone: quick strike, long natural decay.
void bell_note(Loop& loop, double beat, double note, double gain, double pan) {
    const double hz = midi_hz(note);
    const std::size_t n = static_cast<std::size_t>(2.5 * kRate);
    const std::size_t first = at_beat(beat);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.005);
        const double v = std::exp(-t / 0.55) * std::sin(kTwoPi * hz * t) +
                         0.18 * std::exp(-t / 0.15) * std::sin(kTwoPi * 2.0 * hz * t) +
                         0.04 * std::exp(-t / 0.05) * std::sin(kTwoPi * 7.0 * hz * t);
        const double fade = std::min(1.0, (2.5 - t) / 0.2);  // ends exactly on silence
        loop.add(first + i, gain * attack * fade * v * (1.0 - pan), gain * attack * fade * v * pan);
    }
}

// The melody: a flute-like voice with a gentle, late vibrato.
void flute_note(Loop& loop, double beat, double beats, double note, double gain) {
    const double hz = midi_hz(note);
    const double hold = beats * kBeat, release = 0.35;
    const std::size_t n = static_cast<std::size_t>((hold + release) * kRate);
    const std::size_t first = at_beat(beat);
    double phase = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double env = std::min(1.0, t / 0.08) * (1.0 - 0.25 * std::min(1.0, t / hold));
        if (t > hold) env *= std::max(0.0, 1.0 - (t - hold) / release);
        const double depth = 0.004 * std::min(1.0, std::max(0.0, (t - 0.3) / 0.4));
        phase += kTwoPi * hz * (1.0 + depth * std::sin(kTwoPi * 5.0 * t)) / kRate;
        const double v = std::sin(phase) + 0.12 * std::sin(2.0 * phase) + 0.03 * std::sin(3.0 * phase);
        loop.add(first + i, gain * env * v, gain * env * v);
    }
}

void bass_note(Loop& loop, double beat, double beats, double note, double gain) {
    const double hz = midi_hz(note);
    const double hold = beats * kBeat, release = 0.25;
    const std::size_t n = static_cast<std::size_t>((hold + release) * kRate);
    const std::size_t first = at_beat(beat);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double env = std::min(1.0, t / 0.02) * (0.55 + 0.45 * std::exp(-t / 0.4));
        if (t > hold) env *= std::max(0.0, 1.0 - (t - hold) / release);
        const double v = std::sin(kTwoPi * hz * t) + 0.2 * std::sin(kTwoPi * 2.0 * hz * t);
        loop.add(first + i, gain * env * v, gain * env * v);
    }
}

Sound music() {
    const double beats = kBars * 4.0;
    Loop loop(at_beat(beats));
    const int arpeggio[8] = {0, 1, 2, 3, 2, 1, 2, 1};
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& c = kChords[bar];
        const double b0 = bar * 4.0;
        bass_note(loop, b0, 3.0, c.bass, 0.20);
        bass_note(loop, b0 + 3.0, 0.9, c.bass + 7, 0.12);
        for (int k = 0; k < 4; ++k) pad_note(loop, b0, 4.0, c.pad[k], 0.045, 0.3 + 0.13 * k);
        for (int e = 0; e < 8; ++e) {
            const double gain = (e % 2 == 0 ? 0.060 : 0.042);
            bell_note(loop, b0 + e * 0.5, c.pad[arpeggio[e]] + 12, gain, e % 2 == 0 ? 0.35 : 0.65);
        }
    }
    for (const MelodyNote& m : kMelody) flute_note(loop, m.beat, m.length - 0.1, m.note, 0.085);

    // A soft ping-pong echo of a dotted eighth, run over the circle twice so
    // the echoes of the end are heard at the beginning as well.
    const std::size_t n = loop.left.size();
    const std::size_t delay = at_beat(0.75);
    std::vector<double> el(n, 0.0), er(n, 0.0);
    for (int lap = 0; lap < 2; ++lap) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t j = (i + n - delay) % n;
            el[i] = 0.22 * (loop.right[j] + er[j]);
            er[i] = 0.22 * (loop.left[j] + el[j]);
        }
    }
    Sound s;
    s.channels = 2;
    s.samples.resize(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        s.samples[2 * i] = loop.left[i] + el[i];
        s.samples[2 * i + 1] = loop.right[i] + er[i];
    }
    normalise(s, kMusicPeak);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wavegen <folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char* name;
        Sound (*make)();
    } files[] = {
        {"その他.wav", chime}, {"禁止.wav", refusal}, {"駒打音.wav", wooden_click}, {"BGM.wav", music}};
    for (const auto& f : files) {
        if (!write_wave(dir + "/" + f.name, f.make())) {
            std::fprintf(stderr, "wavegen: cannot write %s/%s\n", dir.c_str(), f.name);
            return 1;
        }
    }
    return 0;
}
