// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// A short list of peak levels for drawing a clip's waveform: one per equal slice of the file,
// scaled so that the loudest slice is 1. Stateless and safe to call from any thread (the screens
// call it from background tasks, one per clip).
namespace chorale::WaveformPeaks {

// `bins` peaks of channel 0 of the audio file at `path`. Never fails: a missing, unreadable or
// empty file and `bins` below 1 give an empty list. Frames after the last whole window are not
// measured; a (near-)silent file keeps its tiny values instead of being scaled up.
QList<float> load(const QString &path, int bins);

} // namespace chorale::WaveformPeaks
