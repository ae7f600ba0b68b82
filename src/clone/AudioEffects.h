// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CloneOptions.h"

#include <QString>

// Offline clone effects: echo, robot and walkie-talkie, each rendered from one WAV into another
// and peak-normalised to 0.89. Stateless; every call blocks its (background) thread. Outputs
// are 32-bit float WAV at the input's rate and channel count. Failures throw ChoraleError with
// the file system's or libsndfile's text.
namespace chorale::AudioEffects {

// Decaying repeats rendered after the input ends.
constexpr double echoTailSeconds = 1.6;
constexpr double walkieTailSeconds = 0.05;

// Renders `effect` from `from` into `to` (replaced if present). `none` copies the file as it
// is (nothing at all when both paths are the same) and does not normalise.
void process(const QString &from, const QString &to, CloneEffect effect);

// The steps on their own.
// Feedback echo, 0.22 s apart, with a 1.6 s tail.
void renderEcho(const QString &from, const QString &to);
// Second-order Butterworth high-pass then low-pass, no tail.
void renderBandPass(const QString &from, const QString &to, float highPass, float lowPass);
// Ring-modulates the file in place: 38 % dry, 62 % modulated by a sine at `frequency`.
void applyRingModulation(const QString &at, float frequency);
// Telephone-band equaliser with +3 dB into the radio distortion, with a 0.05 s tail.
void renderWalkie(const QString &from, const QString &to);
// The cleanup's peak normalisation.
void normalizeFile(const QString &at);

} // namespace chorale::AudioEffects
