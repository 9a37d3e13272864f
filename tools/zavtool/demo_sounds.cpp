#include "tools/zavtool/demo_sounds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

#include "keysound/key_slots.h"

namespace zavtool {

namespace {

constexpr double kRate = kDemoSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Vowels of the chirps, by their first three formants (Hz) in a grown voice; the creature's
// voices shift them up or down.
enum class Vowel { A, E, I, O, U };
using FormantSet = std::array<double, 3>;
constexpr std::array<FormantSet, 5> kVowelFormants{{
    {850, 1400, 2800},  // A
    {550, 1950, 2750},  // E
    {330, 2300, 3050},  // I
    {500, 880, 2600},   // O
    {350, 750, 2450},   // U
}};
constexpr FormantSet kFormantGain{1.0, 0.6, 0.25};
constexpr FormantSet kFormantBandwidth{120, 170, 250};
// Keeps harmonics between formants audible, so a glide never drops into a hole.
constexpr double kFormantFloor = 0.08;
// Harmonics stop here: what lies above only adds hiss to a small voice.
constexpr double kVoiceTopHz = 5000;

// A periodic wobble of pitch or loudness. irregularity mixes in a second, unrelated rate, which
// turns an even vibrato into a tremble.
struct Wobble {
    double hertz = 0;
    double depth = 0;  // fraction of the pitch, or of the loudness
    double irregularity = 0;

    double At(double t) const {
        const double even = std::sin(kTwoPi * hertz * t);
        const double uneven = std::sin(kTwoPi * hertz * 1.53 * t + 1.0);
        return depth * (even + irregularity * uneven) / (1.0 + irregularity);
    }
};

// A glide from one value through a turning point to another, eased at both ends.
struct Contour {
    double from;
    double turn;
    double to;
    double turnAt;  // fraction of the length where the turning point lies

    double At(double x) const {
        auto ease = [](double a, double b, double f) {
            return a + (b - a) * (1.0 - std::cos(std::numbers::pi * f)) / 2.0;
        };
        if (x < turnAt)
            return ease(from, turn, x / turnAt);
        return ease(turn, to, (x - turnAt) / (1.0 - turnAt));
    }
};

// One syllable of a voice sound.
struct Chirp {
    double start;   // seconds from the start of the sound
    double length;  // seconds
    Contour pitch;  // Hz
    Vowel fromVowel;
    Vowel toVowel;
    double loudness;  // relative to the other chirps of the sound
};

struct VoiceSound {
    std::span<const Chirp> chirps;
    double tilt;  // harmonic k is weighted by k^-tilt: more is darker and softer
    Wobble vibrato;
    Wobble tremolo;
    double peak;  // the loudest sample
};

struct WhistleSound {
    double length;
    Contour pitch;
    Wobble vibrato;
    double peak;
};

struct Voice {
    double pitchScale;
    double formantScale;
};
constexpr Voice kLowVoice{0.72, 0.95};
constexpr Voice kHighVoice{1.0, 1.1};

// "Quiet": one soft, dark sigh that sinks at the end.
constexpr std::array kQuietChirps{Chirp{0.0, 0.75, {300, 330, 240, 0.3}, Vowel::U, Vowel::O, 1.0}};
// Two rising questions.
constexpr std::array kAskingChirps{
    Chirp{0.0, 0.2, {380, 470, 520, 0.7}, Vowel::I, Vowel::E, 0.9},
    Chirp{0.27, 0.26, {400, 560, 620, 0.75}, Vowel::I, Vowel::A, 1.0}};
// "Friendly": a warm, open hum that rises and settles.
constexpr std::array kFriendlyChirps{
    Chirp{0.0, 0.9, {320, 410, 340, 0.45}, Vowel::O, Vowel::A, 1.0}};
// Three bouncing chirps, each a little higher.
constexpr std::array kBouncingChirps{
    Chirp{0.0, 0.14, {440, 520, 500, 0.5}, Vowel::I, Vowel::A, 0.8},
    Chirp{0.19, 0.14, {480, 560, 540, 0.5}, Vowel::I, Vowel::A, 0.9},
    Chirp{0.38, 0.22, {520, 660, 600, 0.5}, Vowel::I, Vowel::A, 1.0}};
// "Scared": high, bright and trembling.
constexpr std::array kScaredChirps{Chirp{0.0, 0.7, {620, 800, 700, 0.35}, Vowel::I, Vowel::E, 1.0}};

constexpr VoiceSound kQuiet{kQuietChirps, 1.6, {4.5, 0.015, 0}, {}, 9000};
constexpr VoiceSound kAsking{kAskingChirps, 1.0, {}, {}, 17000};
constexpr VoiceSound kFriendly{kFriendlyChirps, 1.3, {5.0, 0.02, 0}, {}, 20000};
constexpr VoiceSound kBouncing{kBouncingChirps, 1.0, {}, {}, 19000};
constexpr VoiceSound kScared{kScaredChirps, 0.8, {8.7, 0.06, 0.6}, {11.0, 0.35, 0.5}, 24000};

constexpr WhistleSound kWhistle{0.95, {1150, 2100, 1400, 0.45}, {5.5, 0.012, 0}, 22000};
constexpr double kWhistleOvertone = 0.06;  // a little second harmonic, for body

// Rises over attack seconds and falls over release seconds, both as raised cosines, so that
// no sound starts or ends with a click.
double Envelope(double t, double length, double attack, double release) {
    if (t < attack)
        return (1.0 - std::cos(std::numbers::pi * t / attack)) / 2.0;
    if (t > length - release)
        return (1.0 - std::cos(std::numbers::pi * (length - t) / release)) / 2.0;
    return 1.0;
}

std::size_t SampleCount(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * kRate));
}

double FormantGain(double hertz, const FormantSet& formants) {
    double gain = kFormantFloor;
    for (std::size_t i = 0; i < formants.size(); ++i) {
        const double offset = (hertz - formants[i]) / (kFormantBandwidth[i] / 2.0);
        gain += kFormantGain[i] / (1.0 + offset * offset);
    }
    return gain;
}

FormantSet VowelAt(Vowel from, Vowel to, double x, double scale) {
    const FormantSet& a = kVowelFormants[static_cast<std::size_t>(from)];
    const FormantSet& b = kVowelFormants[static_cast<std::size_t>(to)];
    FormantSet formants{};
    for (std::size_t i = 0; i < formants.size(); ++i)
        formants[i] = scale * (a[i] + (b[i] - a[i]) * x);
    return formants;
}

// Adds one chirp into out: the harmonics of a gliding pitch, each weighted by the vowel's
// formants at its own frequency.
void AddChirp(const Chirp& chirp, const VoiceSound& sound, const Voice& voice,
              std::span<double> out) {
    const std::size_t first = SampleCount(chirp.start);
    const std::size_t count = SampleCount(chirp.length);
    const double attack = std::min(0.04, chirp.length * 0.25);
    const double release = std::min(0.12, chirp.length * 0.4);
    // Weights for as many harmonics as the lowest pitch a vibrato could reach needs.
    std::vector<double> tiltWeight(static_cast<std::size_t>(kVoiceTopHz / 100.0));
    for (std::size_t k = 1; k < tiltWeight.size(); ++k)
        tiltWeight[k] = std::pow(static_cast<double>(k), -sound.tilt);
    double phase = 0;
    for (std::size_t i = 0; i < count && first + i < out.size(); ++i) {
        const double local = static_cast<double>(i) / kRate;
        const double global = static_cast<double>(first + i) / kRate;
        const double x = local / chirp.length;
        const double pitch =
            voice.pitchScale * chirp.pitch.At(x) * (1.0 + sound.vibrato.At(global));
        const FormantSet formants = VowelAt(chirp.fromVowel, chirp.toVowel, x, voice.formantScale);
        double value = 0;
        for (std::size_t k = 1; k < tiltWeight.size(); ++k) {
            const double harmonic = static_cast<double>(k);
            if (harmonic * pitch >= kVoiceTopHz)
                break;
            value += tiltWeight[k] * FormantGain(harmonic * pitch, formants) *
                     std::sin(harmonic * phase);
        }
        const double loudness = chirp.loudness * Envelope(local, chirp.length, attack, release) *
                                (1.0 - sound.tremolo.depth + sound.tremolo.At(global));
        out[first + i] += loudness * value;
        phase = std::fmod(phase + kTwoPi * pitch / kRate, kTwoPi);
    }
}

std::vector<double> VoiceShape(const VoiceSound& sound, const Voice& voice) {
    double length = 0;
    for (const Chirp& chirp : sound.chirps)
        length = std::max(length, chirp.start + chirp.length);
    std::vector<double> shape(SampleCount(length), 0.0);
    for (const Chirp& chirp : sound.chirps)
        AddChirp(chirp, sound, voice, shape);
    return shape;
}

std::vector<double> WhistleShape(const WhistleSound& sound, const Voice& voice) {
    std::vector<double> shape(SampleCount(sound.length));
    double phase = 0;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch =
            voice.pitchScale * sound.pitch.At(t / sound.length) * (1.0 + sound.vibrato.At(t));
        shape[i] = Envelope(t, sound.length, 0.06, 0.15) *
                   (std::sin(phase) + kWhistleOvertone * std::sin(2 * phase));
        phase = std::fmod(phase + kTwoPi * pitch / kRate, kTwoPi);
    }
    return shape;
}

// Scales the shape so that its loudest sample is peak.
std::vector<std::int16_t> ToSamples(std::span<const double> shape, double peak) {
    double largest = 0;
    for (double value : shape)
        largest = std::max(largest, std::abs(value));
    const double gain = largest > 0 ? peak / largest : 0.0;
    std::vector<std::int16_t> samples(shape.size());
    std::transform(shape.begin(), shape.end(), samples.begin(), [gain](double value) {
        return static_cast<std::int16_t>(std::lround(value * gain));
    });
    return samples;
}

const VoiceSound* VoiceSoundOfKey(char keyLabel) {
    switch (keyLabel) {
        case '1':
            return &kQuiet;
        case '2':
            return &kAsking;
        case '3':
            return &kFriendly;
        case '4':
            return &kBouncing;
        case '5':
            return &kScared;
        default:
            return nullptr;
    }
}

}  // namespace

std::vector<std::int16_t> SynthesizeKeySound(char keyLabel, std::int32_t soundVariant) {
    const Voice& voice = soundVariant == keyvoice::kMaleSoundVariant ? kLowVoice : kHighVoice;
    if (keyLabel == 'W')
        return ToSamples(WhistleShape(kWhistle, voice), kWhistle.peak);
    const VoiceSound* sound = VoiceSoundOfKey(keyLabel);
    if (sound == nullptr)
        return {};
    return ToSamples(VoiceShape(*sound, voice), sound->peak);
}

}  // namespace zavtool
