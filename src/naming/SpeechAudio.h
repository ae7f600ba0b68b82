// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <vector>

// Audio as the speech recogniser wants it: 16 kHz mono 32-bit float, from the start of a file.
// Blocking; call it on a background thread.
namespace chorale::SpeechAudio {

inline constexpr int sampleRate = 16000;
// Only the opening seconds of a take are transcribed: enough for a title, cheap for any length.
inline constexpr int maxSeconds = 8;

// The first 8 seconds of the file's first channel, resampled to 16 kHz (a file that already is
// 16 kHz mono is returned sample for sample). Nothing when the file cannot be read or is empty.
std::optional<std::vector<float>> pcm16k(const QString &path);

} // namespace chorale::SpeechAudio
