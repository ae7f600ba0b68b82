// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/DelayLine.h"

#include "dsp/Biquad.h"

#include <algorithm>
#include <cmath>

namespace chorale::dsp {

void DelayLine::prepare(int maxDelay) {
    m_buffer.assign(std::size_t(std::max(maxDelay, 1)) + 1, 0.0f);
    m_write = 0;
}

void DelayLine::reset() {
    std::fill(m_buffer.begin(), m_buffer.end(), 0.0f);
    m_write = 0;
}

void Echo::prepare(double sampleRate, int channels, const Settings &settings) {
    m_settings = settings;
    m_delay = std::max(1, int(std::lround(settings.delaySeconds * sampleRate)));
    m_lines.assign(std::size_t(std::max(channels, 0)), DelayLine{});
    for (DelayLine &line : m_lines)
        line.prepare(m_delay);
    m_lowPass.assign(m_lines.size(), LowPass{});
    const BiquadCoefficients c = BiquadCoefficients::design(
            {FilterType::lowPass, settings.lowPassHz, 0.0, 1.0}, sampleRate);
    m_b0 = c.b0;
    m_b1 = c.b1;
    m_b2 = c.b2;
    m_a1 = c.a1;
    m_a2 = c.a2;
}

void Echo::reset() {
    for (DelayLine &line : m_lines)
        line.reset();
    std::fill(m_lowPass.begin(), m_lowPass.end(), LowPass{});
}

void Echo::process(float *const *channels, int frames) {
    const float feedback = float(m_settings.feedback);
    const float wet = float(m_settings.wetMix);
    const float dry = 1.0f - wet;
    for (std::size_t c = 0; c < m_lines.size(); ++c) {
        DelayLine &line = m_lines[c];
        LowPass lp = m_lowPass[c];
        float *samples = channels[c];
        for (int i = 0; i < frames; ++i) {
            const double delayed = line.read(m_delay);
            const double filtered = m_b0 * delayed + lp.s1;
            lp.s1 = m_b1 * delayed - m_a1 * filtered + lp.s2;
            lp.s2 = m_b2 * delayed - m_a2 * filtered;
            const float echo = float(filtered);
            const float x = samples[i];
            line.write(x + feedback * echo);
            samples[i] = dry * x + wet * echo;
        }
        m_lowPass[c] = lp;
    }
}

} // namespace chorale::dsp
