// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Equalizer.h"

#include "dsp/Peak.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace chorale::dsp {

void Equalizer::prepare(double sampleRate, int channels, int bands) {
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_bands.assign(std::size_t(bands), Biquad{});
    for (Biquad &band : m_bands)
        band.prepare(sampleRate, channels);
}

void Equalizer::setBand(int index, const FilterSettings &settings) {
    m_bands[std::size_t(index)].setSettings(settings);
}

void Equalizer::setGlobalGainDb(double gainDb) {
    if (gainDb == m_globalGainDb)
        return;
    m_globalGainDb = gainDb;
    m_globalGain = float(std::pow(10.0, gainDb / 20.0));
}

void Equalizer::reset() {
    for (Biquad &band : m_bands)
        band.reset();
}

double Equalizer::magnitudeDb(double frequency) const {
    double db = m_globalGainDb;
    for (const Biquad &band : m_bands) {
        if (!band.isBypassed())
            db += band.coefficients().magnitudeDb(frequency, m_sampleRate);
    }
    return db;
}

namespace {

struct Section {
    BiquadCoefficients k;
    double s1, s2;
};

// All active sections in one pass per sample: the out-of-order core overlaps the sections'
// dependency chains, which a pass per section cannot.
template <int N>
void cascade(Section *sections, float *samples, int frames, float gain) {
    std::array<Section, N> s;
    std::copy(sections, sections + N, s.begin());
    for (int i = 0; i < frames; ++i) {
        double x = double(samples[i] * gain);
        for (int n = 0; n < N; ++n) {
            const double y = s[n].k.b0 * x + s[n].s1;
            s[n].s1 = s[n].k.b1 * x - s[n].k.a1 * y + s[n].s2;
            s[n].s2 = s[n].k.b2 * x - s[n].k.a2 * y;
            x = y;
        }
        samples[i] = float(x);
    }
    std::copy(s.begin(), s.end(), sections);
}

} // namespace

void Equalizer::process(float *const *channels, int frames) {
    constexpr int maxFused = 4;
    for (int c = 0; c < m_channels; ++c) {
        float *samples = channels[c];
        std::array<Section, maxFused> sections;
        std::array<Biquad *, maxFused> owners{};
        int active = 0;
        for (Biquad &band : m_bands) {
            if (band.isBypassed())
                continue;
            if (active == maxFused) {
                // More bands than the fused kernel takes: the rest run one by one.
                band.process(samples, frames, c);
                continue;
            }
            const auto state = band.state(c);
            sections[std::size_t(active)] = {band.coefficients(), state.first, state.second};
            owners[std::size_t(active)] = &band;
            ++active;
        }
        const float gain = m_globalGainDb != 0.0 ? m_globalGain : 1.0f;
        switch (active) {
        case 0:
            if (gain != 1.0f)
                scale(samples, std::size_t(frames), gain);
            break;
        case 1:
            cascade<1>(sections.data(), samples, frames, gain);
            break;
        case 2:
            cascade<2>(sections.data(), samples, frames, gain);
            break;
        case 3:
            cascade<3>(sections.data(), samples, frames, gain);
            break;
        default:
            cascade<4>(sections.data(), samples, frames, gain);
            break;
        }
        for (int n = 0; n < active; ++n)
            owners[std::size_t(n)]->setState(c, sections[std::size_t(n)].s1,
                                             sections[std::size_t(n)].s2);
    }
}

} // namespace chorale::dsp
