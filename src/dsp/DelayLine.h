// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace chorale::dsp {

// A circular buffer of one channel's past samples with a whole-sample read-back delay.
class DelayLine {
public:
    // Holds up to `maxDelay` samples of history, cleared. Allocates.
    void prepare(int maxDelay);
    void reset();
    int maxDelay() const { return int(m_buffer.size()) - 1; }

    // The sample written `delay` writes ago (1 … maxDelay).
    float read(int delay) const {
        std::size_t index = m_write + m_buffer.size() - std::size_t(delay);
        if (index >= m_buffer.size())
            index -= m_buffer.size();
        return m_buffer[index];
    }
    void write(float sample) {
        m_buffer[m_write] = sample;
        if (++m_write == m_buffer.size())
            m_write = 0;
    }

private:
    std::vector<float> m_buffer;
    std::size_t m_write = 0;
};

// A feedback echo: the delayed signal passes a low-pass filter on every trip round the loop,
// so repeats grow darker as they fade, and is mixed with the dry input.
class Echo {
public:
    struct Settings {
        double delaySeconds = 0.22;
        double feedback = 0.42;    // 0 … <1, share of each repeat fed back
        double lowPassHz = 7500.0; // in the loop
        double wetMix = 0.38;      // 0 … 1; the dry signal gets the rest
    };

    void prepare(double sampleRate, int channels, const Settings &settings);
    void reset();
    int delayFrames() const { return m_delay; }

    void process(float *const *channels, int frames);

private:
    Settings m_settings;
    int m_delay = 1;
    std::vector<DelayLine> m_lines;
    // Second-order Butterworth low-pass per channel, kept inline so the loop stays tight.
    struct LowPass {
        double s1 = 0.0, s2 = 0.0;
    };
    std::vector<LowPass> m_lowPass;
    double m_b0 = 1.0, m_b1 = 0.0, m_b2 = 0.0, m_a1 = 0.0, m_a2 = 0.0;
};

} // namespace chorale::dsp
