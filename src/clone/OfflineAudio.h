// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// File plumbing shared by the cleanup and effect processors: whole-file reads and writes of
// planar float audio, and the offline renderer that streams a file through a processing chain.
// Every file written is a 32-bit float WAV at the source's rate and channel count, replaced
// atomically (a temporary file beside it, renamed over it), so a failure never leaves a
// half-written file under the final name. Stateless; runs on the calling (background) thread.
// Failures throw ChoraleError with libsndfile's or the system's text.
namespace chorale::OfflineAudio {

// Samples processed per call of a processing chain.
constexpr int blockFrames = 4096;

struct PlanarAudio {
    int sampleRate = 0;
    int channels = 0;
    long long frames = 0;
    std::vector<std::vector<float>> samples; // one vector per channel

    std::vector<float *> channelPointers();
};

// The whole file as planar floats. Nothing when the file holds no frames or is too large to
// hold in memory; throws when it cannot be opened or read.
std::optional<PlanarAudio> readWhole(const QString &path);
// Replaces `path` with a float WAV of `audio`.
void writeWhole(const QString &path, const PlanarAudio &audio);

// Processes one block of planar channels in place.
using BlockProcessor = std::function<void(float *const *channels, int frames)>;
// Builds the processing chain for the input's rate and channel count.
using Connect = std::function<BlockProcessor(double sampleRate, int channels)>;

// Streams `from` through the chain built by `connect` into `to`, in blocks of at most
// `blockFrames`. After the input ends the chain is fed silence for `extraSeconds` (the frame
// count rounded down), so the output has exactly input frames + tail frames. An existing `to`
// is removed first, unless it is the input itself.
void render(const QString &from, const QString &to, double extraSeconds, const Connect &connect);

// The same rendering, into memory: for chains whose result is normalised before it is written,
// which saves writing and reading the file twice. Throws unreadableAudio when the result does
// not fit in memory.
PlanarAudio renderToMemory(const QString &from, double extraSeconds, const Connect &connect);

// Peak normalisation in memory (see dsp::PeakNormalization); returns whether it scaled.
bool normalizePeak(PlanarAudio &audio);

// Removes `path` if it exists; throws if it exists and cannot be removed.
void removeIfExists(const QString &path);
// Whether both paths name the same existing file.
bool sameFile(const QString &a, const QString &b);

} // namespace chorale::OfflineAudio
