// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace chorale::dsp {

namespace {
constexpr double butterworthQ = std::numbers::sqrt2 / 2.0;
}

BiquadCoefficients BiquadCoefficients::design(const FilterSettings &s, double sampleRate) {
    if (s.type == FilterType::bypass || sampleRate <= 0.0)
        return {};
    const double nyquist = sampleRate / 2.0;
    const double frequency = std::clamp(s.frequency, 1e-3, nyquist * 0.9999);
    const double w0 = 2.0 * std::numbers::pi * frequency / sampleRate;
    const double cosW = std::cos(w0);
    const double sinW = std::sin(w0);
    // Bandwidth in octaves, measured between the bell's half-gain (in dB) points.
    const auto octaveAlpha = [&] {
        const double octaves = std::max(s.bandwidthOctaves, 1e-3);
        return sinW * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sinW);
    };

    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
    switch (s.type) {
    case FilterType::bypass:
        break;
    case FilterType::lowPass: {
        const double alpha = sinW / (2.0 * butterworthQ);
        b0 = (1.0 - cosW) / 2.0;
        b1 = 1.0 - cosW;
        b2 = b0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * cosW;
        a2 = 1.0 - alpha;
        break;
    }
    case FilterType::highPass: {
        const double alpha = sinW / (2.0 * butterworthQ);
        b0 = (1.0 + cosW) / 2.0;
        b1 = -(1.0 + cosW);
        b2 = b0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * cosW;
        a2 = 1.0 - alpha;
        break;
    }
    case FilterType::peak: {
        const double a = std::pow(10.0, s.gainDb / 40.0);
        const double alpha = octaveAlpha();
        b0 = 1.0 + alpha * a;
        b1 = -2.0 * cosW;
        b2 = 1.0 - alpha * a;
        a0 = 1.0 + alpha / a;
        a1 = -2.0 * cosW;
        a2 = 1.0 - alpha / a;
        break;
    }
    case FilterType::highShelf: {
        // Shelf slope 1: the steepest shelf without a bump around the corner.
        const double a = std::pow(10.0, s.gainDb / 40.0);
        const double twoRootAAlpha = 2.0 * std::sqrt(a) * (sinW / 2.0 * std::numbers::sqrt2);
        b0 = a * ((a + 1) + (a - 1) * cosW + twoRootAAlpha);
        b1 = -2.0 * a * ((a - 1) + (a + 1) * cosW);
        b2 = a * ((a + 1) + (a - 1) * cosW - twoRootAAlpha);
        a0 = (a + 1) - (a - 1) * cosW + twoRootAAlpha;
        a1 = 2.0 * ((a - 1) - (a + 1) * cosW);
        a2 = (a + 1) - (a - 1) * cosW - twoRootAAlpha;
        break;
    }
    case FilterType::bandPass: {
        const double alpha = octaveAlpha();
        b0 = alpha;
        b1 = 0.0;
        b2 = -alpha;
        a0 = 1.0 + alpha;
        a1 = -2.0 * cosW;
        a2 = 1.0 - alpha;
        break;
    }
    }
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

std::complex<double> BiquadCoefficients::response(double frequency, double sampleRate) const {
    const std::complex<double> z1 =
            std::polar(1.0, -2.0 * std::numbers::pi * frequency / sampleRate);
    const std::complex<double> z2 = z1 * z1;
    return (b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
}

double BiquadCoefficients::magnitudeDb(double frequency, double sampleRate) const {
    return 20.0 * std::log10(std::abs(response(frequency, sampleRate)));
}

void Biquad::prepare(double sampleRate, int channels) {
    m_sampleRate = sampleRate;
    m_state.assign(std::size_t(std::max(channels, 0)), State{});
    update();
}

void Biquad::setSettings(const FilterSettings &settings) {
    if (settings == m_settings)
        return;
    m_settings = settings;
    update();
}

void Biquad::reset() {
    std::fill(m_state.begin(), m_state.end(), State{});
}

void Biquad::update() {
    m_coefficients = BiquadCoefficients::design(m_settings, m_sampleRate);
}

void Biquad::process(float *samples, int frames, int channel) {
    if (isBypassed())
        return;
    const auto [b0, b1, b2, a1, a2] = m_coefficients;
    State &st = m_state[std::size_t(channel)];
    double s1 = st.s1, s2 = st.s2;
    for (int i = 0; i < frames; ++i) {
        const double x = samples[i];
        const double y = b0 * x + s1;
        s1 = b1 * x - a1 * y + s2;
        s2 = b2 * x - a2 * y;
        samples[i] = float(y);
    }
    st.s1 = s1;
    st.s2 = s2;
}

void Biquad::process(float *const *channels, int frames) {
    for (int c = 0; c < int(m_state.size()); ++c)
        process(channels[c], frames, c);
}

} // namespace chorale::dsp
