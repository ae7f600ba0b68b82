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
constexpr qint64 blockFrames = 16384;

// Independent lanes let the compiler keep several maxima in flight (and in vector registers).
float largestMagnitude(const float *samples, qint64 count) {
    constexpr int lanes = 8;
    float lane[lanes] = {};
    qint64 i = 0;
    for (; i + lanes <= count; i += lanes) {
        for (int j = 0; j < lanes; ++j)
            lane[j] = std::max(lane[j], std::fabs(samples[i + j]));
    }
    float peak = 0;
    for (const float l : lane)
        peak = std::max(peak, l);
    for (; i < count; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

struct Scan {
    QList<float> peaks;
    qint64 framesRead = 0;
};

// Streams channel 0 of `file` into `bins` windows of `window` frames, reading at most `limit`
// frames; stops early at the end of the readable audio.
Scan scan(SoundFile &file, int bins, qint64 window, qint64 limit) {
    Scan result{QList<float>(bins, 0.0f), 0};
    const int channels = file.channels();
    std::vector<float> block(size_t(blockFrames * channels));
    std::vector<float> first(channels > 1 ? size_t(blockFrames) : 0);
    qint64 &position = result.framesRead;
    while (position < limit) {
        const qint64 wanted = std::min(blockFrames, limit - position);
        const qint64 got = file.read(block.data(), wanted);
        if (got <= 0)
            break;
        const float *samples = block.data();
        if (channels > 1) {
            for (qint64 i = 0; i < got; ++i)
                first[size_t(i)] = block[size_t(i * channels)];
            samples = first.data();
        }
        for (qint64 i = 0; i < got;) {
            const qint64 bin = (position + i) / window;
            const qint64 run = std::min(got - i, (bin + 1) * window - (position + i));
            result.peaks[bin] = std::max(result.peaks[bin], largestMagnitude(samples + i, run));
            i += run;
        }
        position += got;
        if (got < wanted)
            break;
    }
    return result;
}

qint64 windowFor(qint64 frames, int bins) {
    return frames >= bins ? frames / bins : 1;
}

} // namespace

QList<float> load(const QString &path, int bins) {
    if (bins < 1)
        return {};
    try {
        SoundFile file = SoundFile::open(path);
        if (!file || file.frames() <= 0)
            return {};
        // Frames past the last whole window are never measured, so they are not even read.
        qint64 window = windowFor(file.frames(), bins);
        qint64 measured = std::min<qint64>(file.frames(), qint64(bins) * window);
        Scan result = scan(file, bins, window, measured);

        // A file that reads short (damaged or truncated) is measured by the frames it really
        // has: when that changes the window, it is read again with the right one.
        if (result.framesRead < measured) {
            const qint64 readable = result.framesRead;
            if (readable > 0 && windowFor(readable, bins) != window) {
                window = windowFor(readable, bins);
                measured = std::min<qint64>(readable, qint64(bins) * window);
                SoundFile again = SoundFile::open(path);
                if (!again)
                    return {};
                result = scan(again, bins, window, measured);
            }
        }

        QList<float> &peaks = result.peaks;
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
