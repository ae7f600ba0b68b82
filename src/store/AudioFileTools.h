// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// File operations on audio: measuring, copying and converting to WAV. Stateless; every call
// blocks its thread for the whole operation and throws ChoraleError on failure.
namespace chorale::AudioFileTools {

// Length in seconds. Tries libsndfile, then the container's own duration, then a full decode;
// throws unreadableAudio when none gives a positive length.
double duration(const QString &path);

// Replaces `to` with a copy of `from`.
void copyFile(const QString &from, const QString &to);

// Replaces `to` with a WAV of `from`'s audio: 32-bit float at the source's rate and channel
// count when libsndfile reads the source, else 16-bit PCM decoded by FFmpeg (more than two
// channels mixed down to stereo).
void convertToWAV(const QString &from, const QString &to);

namespace detail {
void convertWithAudioFile(const QString &from, const QString &to);
void convertWithAssetReader(const QString &from, const QString &to);
// Writes a 44-byte canonical header and the 16-bit interleaved samples in `pcm`.
void writeWAV(const QByteArray &pcm, int sampleRate, int channels, const QString &to);
} // namespace detail

} // namespace chorale::AudioFileTools
