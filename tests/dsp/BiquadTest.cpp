// SPDX-License-Identifier: GPL-3.0-or-later
// Filter design against closed forms: each band's gain at its defining frequencies, and the
// time-domain filter agreeing with the designed response. A wrong cookbook term, a swapped
// coefficient sign or a bad state update shows up here as a gain error.
#include "dsp/Biquad.h"

#include "dsp/Equalizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace chorale::dsp;

namespace {

struct Probe {
    const char *name;
    FilterSettings settings;
    double sampleRate;
    double frequency;
    double expectedDb;
    double toleranceDb;
};

std::ostream &operator<<(std::ostream &os, const Probe &p) {
    return os << p.name << " @ " << p.frequency << " Hz";
}

// Half-gain points of a bell `octaves` wide around `centre`.
double edge(double centre, double octaves, int side) {
    return centre * std::pow(2.0, side * octaves / 2.0);
}

const Probe probes[] = {
        {"high-pass 90", {FilterType::highPass, 90}, 48000, 90, -3.0103, 0.01},
        {"high-pass 90", {FilterType::highPass, 90}, 48000, 2000, 0.0, 0.01},
        // Second order: 12 dB per octave well below the corner.
        {"high-pass 90", {FilterType::highPass, 90}, 48000, 22.5, -24.1, 0.2},
        {"low-pass 9000", {FilterType::lowPass, 9000}, 48000, 9000, -3.0103, 0.01},
        {"low-pass 9000", {FilterType::lowPass, 9000}, 48000, 500, 0.0, 0.01},
        {"low-pass 2800 @44.1k", {FilterType::lowPass, 2800}, 44100, 2800, -3.0103, 0.01},
        {"high-pass 400 @44.1k", {FilterType::highPass, 400}, 44100, 400, -3.0103, 0.01},
        {"peak 2800", {FilterType::peak, 2800, 3.0, 0.8}, 48000, 2800, 3.0, 0.001},
        {"peak 2800", {FilterType::peak, 2800, 3.0, 0.8}, 48000, edge(2800, 0.8, -1), 1.5, 0.1},
        {"peak 2800", {FilterType::peak, 2800, 3.0, 0.8}, 48000, edge(2800, 0.8, +1), 1.5, 0.1},
        {"peak 2800", {FilterType::peak, 2800, 3.0, 0.8}, 48000, 100, 0.0, 0.02},
        {"shelf 5500", {FilterType::highShelf, 5500, 1.5}, 48000, 5500, 0.75, 0.01},
        {"shelf 5500", {FilterType::highShelf, 5500, 1.5}, 48000, 22000, 1.5, 0.02},
        {"shelf 5500", {FilterType::highShelf, 5500, 1.5}, 48000, 200, 0.0, 0.01},
        {"band-pass 1000", {FilterType::bandPass, 1000, 0, 1.0}, 48000, 1000, 0.0, 0.001},
        {"band-pass 1000",
         {FilterType::bandPass, 1000, 0, 1.0},
         48000,
         edge(1000, 1.0, -1),
         -3.0103,
         0.1},
        {"bypass", {}, 48000, 1234, 0.0, 1e-12},
};

class BiquadResponse : public ::testing::TestWithParam<Probe> {};

} // namespace

TEST_P(BiquadResponse, GainAtProbeFrequency) {
    const Probe &p = GetParam();
    const auto c = BiquadCoefficients::design(p.settings, p.sampleRate);
    EXPECT_NEAR(c.magnitudeDb(p.frequency, p.sampleRate), p.expectedDb, p.toleranceDb);
}

INSTANTIATE_TEST_SUITE_P(Cookbook, BiquadResponse, ::testing::ValuesIn(probes));

// A steady sine through the running filter comes out with the designed gain, on every channel.
TEST(Biquad, FilteredSineHasTheDesignedGain) {
    const double rate = 48000;
    const FilterSettings cases[] = {{FilterType::highPass, 90},
                                    {FilterType::lowPass, 9000},
                                    {FilterType::peak, 2800, 3.0, 0.8},
                                    {FilterType::highShelf, 5500, 1.5}};
    for (const FilterSettings &settings : cases) {
        for (const double frequency : {90.0, 2800.0, 9000.0}) {
            Biquad filter;
            filter.prepare(rate, 2);
            filter.setSettings(settings);
            const int frames = 48000;
            std::vector<float> left(frames), right(frames);
            for (int i = 0; i < frames; ++i) {
                left[i] = float(0.5 * std::sin(2 * std::numbers::pi * frequency * i / rate));
                right[i] = -left[i];
            }
            float *channels[] = {left.data(), right.data()};
            // Two blocks: the state must carry over between calls.
            filter.process(channels, 4096);
            float *rest[] = {left.data() + 4096, right.data() + 4096};
            filter.process(rest, frames - 4096);

            double sumSquares = 0;
            for (int i = frames / 2; i < frames; ++i)
                sumSquares += double(left[i]) * left[i];
            const double amplitude = std::sqrt(2 * sumSquares / (frames / 2));
            const double expected = 0.5 * std::abs(filter.coefficients().response(frequency, rate));
            EXPECT_NEAR(amplitude, expected, 0.002)
                    << int(settings.type) << " at " << frequency << " Hz";
            EXPECT_FLOAT_EQ(right[frames - 1], -left[frames - 1]);
        }
    }
}

TEST(Equalizer, BypassedBandsPassTheSignalBitForBit) {
    Equalizer eq;
    eq.prepare(44100, 1, 4);
    eq.setBand(2, {FilterType::peak, 2800, 3.0, 0.8});
    eq.setBand(2, {}); // switched back off
    std::vector<float> samples = {0.1f, -0.7f, 0.333f, 1e-7f, 0.99f};
    const std::vector<float> original = samples;
    float *channels[] = {samples.data()};
    eq.process(channels, int(samples.size()));
    EXPECT_EQ(samples, original);
}

TEST(Equalizer, GlobalGainAndBandsAddUp) {
    Equalizer eq;
    eq.prepare(44100, 1, 2);
    eq.setGlobalGainDb(3.0);
    eq.setBand(0, {FilterType::highPass, 400});
    eq.setBand(1, {FilterType::lowPass, 2800});
    EXPECT_NEAR(eq.magnitudeDb(400), 3.0 - 3.0103, 0.05);
    EXPECT_NEAR(eq.magnitudeDb(1060), 3.0, 0.3);

    std::vector<float> impulse(8, 0.0f);
    impulse[0] = 1.0f;
    float *channels[] = {impulse.data()};
    eq.process(channels, 8);
    // The first output sample of the cascade is b0 · b0 · gain.
    const double expected = std::pow(10.0, 3.0 / 20.0) * eq.band(0).coefficients().b0 *
                            eq.band(1).coefficients().b0;
    EXPECT_NEAR(impulse[0], expected, 1e-6);
}
