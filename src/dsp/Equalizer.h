// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/Biquad.h"

#include <vector>

namespace chorale::dsp {

// A parametric equaliser: an overall gain followed by a cascade of biquad bands. A bypassed
// band costs nothing; with every band bypassed and 0 dB gain the signal passes bit for bit.
class Equalizer {
public:
    // Sizes `bands` bypassed bands for `channels` channels and clears their state.
    void prepare(double sampleRate, int channels, int bands);
    void setBand(int index, const FilterSettings &settings);
    const Biquad &band(int index) const { return m_bands[std::size_t(index)]; }
    int bandCount() const { return int(m_bands.size()); }
    void setGlobalGainDb(double gainDb);
    void reset();

    // The combined magnitude response, for checks and displays.
    double magnitudeDb(double frequency) const;

    // Filters planar channels in place.
    void process(float *const *channels, int frames);

private:
    std::vector<Biquad> m_bands;
    double m_sampleRate = 48000.0;
    double m_globalGainDb = 0.0;
    float m_globalGain = 1.0f;
    int m_channels = 0;
};

} // namespace chorale::dsp
