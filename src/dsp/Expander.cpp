// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Expander.h"

#include <algorithm>
#include <cmath>

namespace chorale::dsp {

void Expander::prepare(double sampleRate, int channels) {
    const float rate = float(sampleRate);
    m_attack = std::exp(-1.0f / (rate * attackSeconds));
    m_release = std::exp(-1.0f / (rate * releaseSeconds));
    m_envelopes.assign(std::size_t(std::max(channels, 0)), 0.0f);
}

void Expander::reset() {
    std::fill(m_envelopes.begin(), m_envelopes.end(), 0.0f);
}

float Expander::gain(float envelope) {
    if (envelope <= silenceEnvelope)
        return 0.0f;
    if (envelope >= openEnvelope)
        return 1.0f;
    // x^2.5 as x²·√x: the same law, without a general power per sample.
    const float x = envelope / openEnvelope;
    return std::clamp(x * x * std::sqrt(x), 0.0f, 1.0f);
}

void Expander::process(float *samples, int frames, int channel) {
    const float attack = m_attack;
    const float release = m_release;
    float e = m_envelopes[std::size_t(channel)];
    for (int i = 0; i < frames; ++i) {
        const float level = std::fabs(samples[i]);
        const float c = e < level ? attack : release;
        e = e * c + level * (1.0f - c);
        samples[i] *= gain(e);
    }
    m_envelopes[std::size_t(channel)] = e;
}

void Expander::process(float *const *channels, int frames) {
    for (int c = 0; c < int(m_envelopes.size()); ++c)
        process(channels[c], frames, c);
}

} // namespace chorale::dsp
