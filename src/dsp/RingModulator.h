// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace chorale::dsp {

// Ring modulation against a sine carrier, blended with the dry signal:
//   y[n] = x[n] · dry + sin(w · n) · x[n] · (1 − dry),  w = 2π · frequency / rate,
// with w and w · n in single precision and n counted from 0 on every channel.
class RingModulator {
public:
    void prepare(double sampleRate, int channels, float frequency, float dry);
    void reset();
    float angularStep() const { return m_step; }

    void process(float *samples, int frames, int channel);
    void process(float *const *channels, int frames);

private:
    float m_step = 0.0f;
    float m_dry = 1.0f;
    std::vector<long long> m_position; // samples processed per channel
};

} // namespace chorale::dsp
