// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clone/CleanupOptions.h"

#include <QString>

namespace chorale::dsp {
class Equalizer;
}

// Offline voice cleanup of a take before conversion: a four-band equaliser (rumble and hiss
// cut, presence and air lift), a downward expander under speech level and peak normalisation.
// Stateless; every call blocks its (background) thread and builds its own processors. Output
// files are 32-bit float WAV at the input's rate and channel count. Failures throw ChoraleError
// with the file system's or libsndfile's text.
namespace chorale::AudioCleanup {

// Cleans `from` into `to` (replaced if present) with the options that are on: the equaliser
// when reduceNoise or enhanceClarity, then the expander when reduceNoise, then normalisation
// when normalizeVolume. With no option on, `to` becomes a byte copy of `from`.
void process(const QString &from, const QString &to, const CleanupOptions &options);

// The steps on their own.
// Streams `from` through the equaliser into `to`: exactly as many frames out as in.
void renderEQ(const QString &from, const QString &to, const CleanupOptions &options);
// Sets the four bands of a prepared four-band equaliser; bands for options that are off are
// bypassed.
void configureEQ(dsp::Equalizer &equalizer, const CleanupOptions &options);
// Expands the file in place. An empty file is left alone.
void applyExpander(const QString &at);
// Peak-normalises the file in place to 0.89; silence and peaks within 0.01 of it are not
// rewritten.
void normalizeFile(const QString &at);

} // namespace chorale::AudioCleanup
