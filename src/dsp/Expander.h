// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace chorale::dsp {

// Downward expander that silences what lies below speech level. A peak follower (4 ms attack,
// 120 ms release) drives the gain: full gain from an envelope of 0.02 up, (e / 0.02)^2.5 below
// it, and exact silence once the envelope has fallen to 0.00001. Single precision throughout,
// one envelope per channel.
class Expander {
public:
    static constexpr float attackSeconds = 0.004f;
    static constexpr float releaseSeconds = 0.12f;
    static constexpr float silenceEnvelope = 0.00001f;
    static constexpr float openEnvelope = 0.02f;

    // Computes the coefficients for the rate and clears every envelope.
    void prepare(double sampleRate, int channels);
    void reset();

    float attackCoefficient() const { return m_attack; }
    float releaseCoefficient() const { return m_release; }

    // The gain law for one envelope value.
    static float gain(float envelope);

    void process(float *samples, int frames, int channel);
    void process(float *const *channels, int frames);

private:
    float m_attack = 0.0f;
    float m_release = 0.0f;
    std::vector<float> m_envelopes;
};

} // namespace chorale::dsp
