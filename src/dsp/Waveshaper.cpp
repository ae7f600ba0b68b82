// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Waveshaper.h"

#include <algorithm>
#include <cmath>

namespace chorale::dsp {

void Waveshaper::setDriveDb(float driveDb) {
    m_drive = std::pow(10.0f, driveDb / 20.0f);
}

void Waveshaper::setOutputDb(float outputDb) {
    m_output = std::pow(10.0f, outputDb / 20.0f);
}

void Waveshaper::process(float *samples, int frames) const {
    for (int i = 0; i < frames; ++i)
        samples[i] = process(samples[i]);
}

void RadioDistortion::prepare(double sampleRate, int channels, const Settings &settings) {
    m_settings = settings;
    m_shaper.setDriveDb(settings.driveDb);
    m_shaper.setOutputDb(settings.outputDb);
    m_speaker = BiquadCoefficients::design({FilterType::lowPass, settings.speakerHz}, sampleRate);
    m_speakerState.assign(std::size_t(std::max(channels, 0)), SpeakerState{});
    m_ringDelay = std::max(1, int(std::lround(settings.ringSeconds * sampleRate)));
    m_rings.assign(std::size_t(std::max(channels, 0)), DelayLine{});
    for (DelayLine &ring : m_rings)
        ring.prepare(m_ringDelay);
}

void RadioDistortion::reset() {
    std::fill(m_speakerState.begin(), m_speakerState.end(), SpeakerState{});
    for (DelayLine &ring : m_rings)
        ring.reset();
}

void RadioDistortion::process(float *const *channels, int frames) {
    const float wet = m_settings.wetMix;
    const float dry = 1.0f - wet;
    const float feedback = m_settings.ringFeedback;
    const auto [b0, b1, b2, a1, a2] = m_speaker;
    for (std::size_t c = 0; c < m_rings.size(); ++c) {
        DelayLine &ring = m_rings[c];
        float *samples = channels[c];
        double s1 = m_speakerState[c].s1, s2 = m_speakerState[c].s2;
        for (int i = 0; i < frames; ++i) {
            const float x = samples[i];
            const double shaped = m_shaper.process(x);
            const double heard = b0 * shaped + s1;
            s1 = b1 * shaped - a1 * heard + s2;
            s2 = b2 * shaped - a2 * heard;
            const float distorted = float(heard) + feedback * ring.read(m_ringDelay);
            ring.write(distorted);
            samples[i] = dry * x + wet * distorted;
        }
        m_speakerState[c] = {s1, s2};
    }
}

} // namespace chorale::dsp
