// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Peak.h"

#include <algorithm>
#include <cmath>

namespace chorale::dsp {

float peak(const float *samples, std::size_t count) {
    float m = 0.0f;
    for (std::size_t i = 0; i < count; ++i)
        m = std::max(m, std::fabs(samples[i]));
    return m;
}

float peak(const float *const *channels, int channelCount, std::size_t frames) {
    float m = 0.0f;
    for (int c = 0; c < channelCount; ++c)
        m = std::max(m, peak(channels[c], frames));
    return m;
}

void scale(float *samples, std::size_t count, float gain) {
    for (std::size_t i = 0; i < count; ++i)
        samples[i] *= gain;
}

void silenceNonFinite(float *samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = std::isfinite(samples[i]) ? samples[i] : 0.0f;
}

std::optional<float> PeakNormalization::gainFor(float peak) {
    if (!(peak > silenceFloor) || !(std::fabs(peak - target) > tolerance))
        return std::nullopt;
    return target / peak;
}

} // namespace chorale::dsp
