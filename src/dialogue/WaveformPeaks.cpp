// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/WaveformPeaks.h"

#include "dialogue/SoundFile.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace chorale::WaveformPeaks {

namespace {

// Below this the file counts as silent and is returned unscaled.
constexpr float silenceLevel = 0.0001f;
constexpr sf_count_t readBlockFrames = 16384;

float largestMagnitude(const float *samples, qint64 count) {
    float peak = 0;
    for (qint64 i = 0; i < count; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

// Channel 0 of the whole file; stops early at a read error and keeps what was read.
std::vector<float> readFirstChannel(SoundFile &file) {
    const sf_count_t total = file.frames();
    const int channels = file.channels();
    std::vector<float> first(static_cast<size_t>(total));
    if (channels == 1) {
        first.resize(size_t(file.read(first.data(), total)));
        return first;
    }
    std::vector<float> block(size_t(readBlockFrames) * size_t(channels));
    sf_count_t done = 0;
    while (done < total) {
        const sf_count_t got = file.read(block.data(), std::min(readBlockFrames, total - done));
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i)
            first[size_t(done + i)] = block[size_t(i * channels)];
        done += got;
    }
    first.resize(size_t(done));
    return first;
}

} // namespace

QList<float> load(const QString &path, int bins) {
    if (bins < 1)
        return {};
    try {
        SoundFile file = SoundFile::open(path);
        if (!file || file.frames() <= 0)
            return {};
        const std::vector<float> samples = readFirstChannel(file);
        const qint64 n = qint64(samples.size());
        if (n == 0)
            return {};

        QList<float> peaks(bins, 0.0f);
        const qint64 window = n >= bins ? n / bins : 1;
        for (qint64 i = 0; i < bins && i * window < n; ++i) {
            const qint64 from = i * window;
            peaks[i] = largestMagnitude(samples.data() + from, std::min(n, from + window) - from);
        }
        const float loudest = *std::max_element(peaks.cbegin(), peaks.cend());
        if (loudest > silenceLevel) {
            // Dividing (rather than multiplying by 1/loudest) makes the loudest bin exactly 1.
            for (float &peak : peaks)
                peak /= loudest;
        }
        return peaks;
    } catch (const std::bad_alloc &) {
        return {};
    }
}

} // namespace chorale::WaveformPeaks
