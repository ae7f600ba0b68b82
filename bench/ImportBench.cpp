// SPDX-License-Identifier: GPL-3.0-or-later
// Times convertToWAV of a 30 s 44.1 kHz stereo MP3 against `ffmpeg -i in.mp3 out.wav`, both
// measured here in the same run.
#include "BenchSupport.h"
#include "store/AudioFileTools.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace chorale;

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString mp3 = dir.path() + "/in.mp3";
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        SNDFILE *f = sf_open(mp3.toLocal8Bit().constData(), SFM_WRITE, &info);
        if (!f) {
            std::fprintf(stderr, "cannot write MP3: %s\n", sf_strerror(nullptr));
            return 1;
        }
        std::vector<float> block(44100 * 2);
        for (int second = 0; second < 30; ++second) {
            for (int i = 0; i < 44100; ++i) {
                const double t = second + i / 44100.0;
                // A chord with a slow tremolo: something for the encoder to work on.
                const float v =
                        float(0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277 * t)) *
                              (0.6 + 0.4 * std::sin(2 * M_PI * 3 * t)));
                block[2 * i] = v;
                block[2 * i + 1] = -v;
            }
            sf_writef_float(f, block.data(), 44100);
        }
        sf_close(f);
    }

    const double ours = bench::medianSeconds(
            5, [&] { AudioFileTools::convertToWAV(mp3, dir.path() + "/ours.wav"); });
    const double ffmpeg = bench::medianSeconds(5, [&] {
        QProcess::execute("ffmpeg", {"-v", "quiet", "-y", "-i", mp3, dir.path() + "/ffmpeg.wav"});
    });
    std::printf("import: 30 s 44.1 kHz stereo MP3 -> WAV\n");
    std::printf("convertToWAV median %.1f ms, ffmpeg median %.1f ms\n", ours * 1e3, ffmpeg * 1e3);
    std::printf("ratio convertToWAV/ffmpeg %.2f (target <= 1)\n", ours / ffmpeg);
    return 0;
}
