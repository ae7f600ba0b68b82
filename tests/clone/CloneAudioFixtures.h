// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace chorale::test {

// A speech-like test signal: a 150 Hz buzz with harmonics up to 6 kHz under a syllable-rate
// envelope, a little low hum, and quiet noise between the syllables. Interleaved; the same
// content on every channel apart from a slight level difference.
std::vector<float> speechLike(double seconds, int sampleRate, int channels, float peak);

float peakOf(const std::vector<float> &samples);

} // namespace chorale::test
