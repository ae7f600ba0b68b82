// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/Biquad.h"
#include "dsp/DelayLine.h"

#include <vector>

namespace chorale::dsp {

// Memoryless soft clipper: the input is driven into a cubic curve that saturates at ±1
// (y = 1.5u − 0.5u³ for |u| < 1, where u = drive · x), then scaled by the output gain.
class Waveshaper {
public:
    void setDriveDb(float driveDb);
    void setOutputDb(float outputDb);

    static float shape(float u) {
        if (u >= 1.0f)
            return 1.0f;
        if (u <= -1.0f)
            return -1.0f;
        return 1.5f * u - 0.5f * u * u * u;
    }
    float process(float x) const { return shape(x * m_drive) * m_output; }
    void process(float *samples, int frames) const;

private:
    float m_drive = 1.0f;
    float m_output = 1.0f;
};

// The walkie-talkie's radio distortion: an overdriven soft clip heard through a small speaker
// (a low-pass that tames the clipping's fizz), with a short, quickly fading slap of it (the
// "tower" ring-out, gone within about 30 ms), mixed with the dry input.
class RadioDistortion {
public:
    struct Settings {
        float driveDb = 18.0f;
        float outputDb = -6.0f;
        double speakerHz = 3500.0;
        double ringSeconds = 0.0023;
        float ringFeedback = 0.35f;
        float wetMix = 0.72f;
    };

    void prepare(double sampleRate, int channels, const Settings &settings);
    void reset();

    void process(float *const *channels, int frames);

private:
    Settings m_settings;
    Waveshaper m_shaper;
    BiquadCoefficients m_speaker;
    struct SpeakerState {
        double s1 = 0.0, s2 = 0.0;
    };
    std::vector<SpeakerState> m_speakerState;
    int m_ringDelay = 1;
    std::vector<DelayLine> m_rings;
};

} // namespace chorale::dsp
