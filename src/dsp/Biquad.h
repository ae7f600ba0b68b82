// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <utility>
#include <vector>

namespace chorale::dsp {

// Second-order filter kinds, designed after the RBJ audio-EQ cookbook.
enum class FilterType {
    bypass,    // passes the signal unchanged
    highPass,  // Butterworth (Q = 1/√2): −3 dB at the corner
    lowPass,   // Butterworth (Q = 1/√2): −3 dB at the corner
    peak,      // bell: `gainDb` at the centre, `bandwidthOctaves` wide
    highShelf, // `gainDb` above the corner, half of it (in dB) at the corner; slope 1
    bandPass,  // constant 0 dB peak at the centre, `bandwidthOctaves` wide
};

struct FilterSettings {
    FilterType type = FilterType::bypass;
    double frequency = 1000.0;     // Hz: corner, centre or shelf midpoint
    double gainDb = 0.0;           // peak and highShelf only
    double bandwidthOctaves = 1.0; // peak and bandPass only

    bool operator==(const FilterSettings &) const = default;
};

// Normalised coefficients (a0 = 1) of H(z) = (b0 + b1 z⁻¹ + b2 z⁻²) / (1 + a1 z⁻¹ + a2 z⁻²).
struct BiquadCoefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;

    // Frequencies at or above Nyquist are clamped just below it.
    static BiquadCoefficients design(const FilterSettings &settings, double sampleRate);

    std::complex<double> response(double frequency, double sampleRate) const;
    double magnitudeDb(double frequency, double sampleRate) const;
};

// One biquad section with its own state per channel (transposed direct form II, double
// precision state: low corners such as 90 Hz at 48 kHz stay clean). Coefficients are
// recomputed only when the settings or the rate change.
class Biquad {
public:
    // Sizes the per-channel state and clears it. Allocates; call before processing.
    void prepare(double sampleRate, int channels);
    void setSettings(const FilterSettings &settings);
    const FilterSettings &settings() const { return m_settings; }
    const BiquadCoefficients &coefficients() const { return m_coefficients; }
    bool isBypassed() const { return m_settings.type == FilterType::bypass; }
    void reset();
    // One channel's state (s1, s2), for code that runs several sections in one loop.
    std::pair<double, double> state(int channel) const {
        const State &s = m_state[std::size_t(channel)];
        return {s.s1, s.s2};
    }
    void setState(int channel, double s1, double s2) { m_state[std::size_t(channel)] = {s1, s2}; }

    // Filters `frames` samples of one channel in place.
    void process(float *samples, int frames, int channel);
    // Filters planar channels in place (as many as prepared).
    void process(float *const *channels, int frames);

private:
    void update();

    struct State {
        double s1 = 0.0, s2 = 0.0;
    };

    FilterSettings m_settings;
    BiquadCoefficients m_coefficients;
    double m_sampleRate = 48000.0;
    std::vector<State> m_state;
};

} // namespace chorale::dsp
