// SPDX-License-Identifier: GPL-3.0-or-later
// Times WaveformPeaks::load (256 bins) of a 5-minute 48 kHz file against a plain libsndfile
// decode of the same file into memory, measured here in the same run.
#include "BenchSupport.h"
#include "dialogue/WaveformPeaks.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace chorale;

namespace {

constexpr int rate = 48000;
constexpr int seconds = 300;

void writeFile(const QString &path, int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    std::vector<float> block(size_t(rate * channels));
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < rate; ++i) {
            const double t = s + double(i) / rate;
            const float v = float(0.3 * std::sin(2 * M_PI * 180 * t) * (0.5 + 0.5 * std::sin(t)));
            for (int c = 0; c < channels; ++c)
                block[size_t(i * channels + c)] = c == 0 ? v : -v;
        }
        sf_writef_float(file, block.data(), rate);
    }
    sf_close(file);
}

// The reference: decode the whole file into memory and nothing else.
float decode(const QString &path) {
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    std::vector<float> samples(size_t(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    for (const int channels : {1, 2}) {
        const QString path = dir.path() + QString("/take%1.wav").arg(channels);
        writeFile(path, channels);
        decode(path); // warm the page cache for both contenders
        volatile float sink = 0;
        const double peaks = bench::medianSeconds(
                9, [&] { sink = sink + WaveformPeaks::load(path, 256).value(0); });
        const double plain = bench::medianSeconds(9, [&] { sink = sink + decode(path); });
        std::printf("peaks: %d s %d kHz %s float WAV, 256 bins\n", seconds, rate / 1000,
                    channels == 1 ? "mono" : "stereo");
        std::printf("WaveformPeaks::load median %.1f ms, libsndfile decode median %.1f ms\n",
                    peaks * 1e3, plain * 1e3);
        std::printf("ratio peaks/decode %.2f (target <= 1.2)\n", peaks / plain);
    }
    return 0;
}
