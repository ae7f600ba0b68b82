// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>

namespace chorale::dsp {

// Vector helpers over float samples; plain loops the compiler vectorises.

// Largest absolute sample value (0 for no samples).
float peak(const float *samples, std::size_t count);
// Largest absolute value over planar channels.
float peak(const float *const *channels, int channelCount, std::size_t frames);
void scale(float *samples, std::size_t count, float gain);
// Replaces NaN and infinite samples (a damaged float file) with silence, so one bad sample
// cannot spread through filters, mixes and normalisation.
void silenceNonFinite(float *samples, std::size_t count);

// Peak normalisation to 0.89 (about −1 dBFS). Returns the gain to apply, or nothing when the
// signal should be left untouched: silence (peak at most 0.0001) and peaks already within 0.01
// of the target are not rewritten.
struct PeakNormalization {
    static constexpr float target = 0.89f;
    static constexpr float silenceFloor = 0.0001f;
    static constexpr float tolerance = 0.01f;

    static std::optional<float> gainFor(float peak);
};

} // namespace chorale::dsp
