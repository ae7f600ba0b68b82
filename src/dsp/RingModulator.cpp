// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/RingModulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace chorale::dsp {

void RingModulator::prepare(double sampleRate, int channels, float frequency, float dry) {
    m_step = frequency * 2.0f * std::numbers::pi_v<float> / float(sampleRate);
    m_dry = dry;
    m_position.assign(std::size_t(std::max(channels, 0)), 0);
}

void RingModulator::reset() {
    std::fill(m_position.begin(), m_position.end(), 0);
}

void RingModulator::process(float *samples, int frames, int channel) {
    const float step = m_step;
    const float dry = m_dry;
    const float wet = 1.0f - dry;
    const long long start = m_position[std::size_t(channel)];
    for (int i = 0; i < frames; ++i) {
        const float x = samples[i];
        samples[i] = x * dry + std::sin(step * float(start + i)) * x * wet;
    }
    m_position[std::size_t(channel)] = start + frames;
}

void RingModulator::process(float *const *channels, int frames) {
    for (int c = 0; c < int(m_position.size()); ++c)
        process(channels[c], frames, c);
}

} // namespace chorale::dsp
