// SPDX-License-Identifier: GPL-3.0-or-later
// Times the export of a 10-minute dialogue of 200 clips on 4 tracks (48 kHz mono clips, mixed
// to 44.1 kHz stereo 16-bit) against `sox -m` of the same clips, each padded to its position
// and resampled, measured here in the same run.
#include "BenchSupport.h"
#include "dialogue/DialogueBounce.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace chorale;

namespace {

constexpr int tracks = 4;
constexpr int clipsPerTrack = 50;
constexpr double slotSeconds = 12.0; // 50 slots of 12 s: 10 minutes per track
constexpr int clipRate = 48000;

// A voice-like clip: a few harmonics with a wobbling pitch and a syllable-rate envelope.
void writeClip(const QString &path, double seconds, double pitch) {
    SF_INFO info{};
    info.samplerate = clipRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    std::vector<float> samples(size_t(seconds * clipRate));
    double phase = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / clipRate;
        phase += 2 * M_PI * pitch * (1 + 0.05 * std::sin(2 * M_PI * 3 * t)) / clipRate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 4 * t);
        samples[i] =
                float(0.2 * envelope *
                      (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase)));
    }
    sf_writef_float(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    DataPaths::setRootOverride(dir.path() + "/Chorale");

    DialogueProject project;
    project.id = QUuid::createUuid();
    QDir().mkpath(DataPaths::dialogueClipsFolder(project.id));
    for (int t = 0; t < tracks; ++t) {
        const DialogueTrack track{QUuid::createUuid(), QString("Speaker %1").arg(t + 1)};
        project.tracks << track;
        for (int c = 0; c < clipsPerTrack; ++c) {
            DialogueClip clip;
            clip.id = QUuid::createUuid();
            clip.trackId = track.id;
            clip.fileName = idText(clip.id) + ".wav";
            clip.sourceDuration = 3.0 + (c * 7 + t * 3) % 6; // 3–8 s
            clip.trimEnd = clip.sourceDuration;
            clip.startTime = c * slotSeconds + t * 2.5; // tracks overlap one another
            writeClip(project.audioURL(clip), clip.sourceDuration, 110.0 + 40 * t + c % 5);
            project.clips << clip;
        }
    }
    project.refreshDuration();

    const QString ours = dir.path() + "/ours.wav";
    const double bounceSeconds =
            bench::medianSeconds(3, [&] { DialogueBounce::bounce(project, ours, std::nullopt); });

    // sox: every clip through its own `sox ... -p` pipe (resampled, made stereo, padded to its
    // start), all mixed at full level into a 16-bit stereo WAV.
    QStringList args{"-V1", "-m"};
    for (const DialogueClip &clip : project.clips) {
        args << "-v"
             << "1"
             << QString("|sox -V1 %1 -p rate 44100 channels 2 pad %2")
                        .arg(project.audioURL(clip))
                        .arg(clip.startTime, 0, 'f', 6);
    }
    args << "-b"
         << "16" << dir.path() + "/sox.wav";
    int soxStatus = 0;
    // One run: padding every clip to its position makes sox slow enough that more runs would
    // only make the benchmark long.
    const double soxSeconds = bench::medianSeconds(1, [&] {
        QProcess sox;
        sox.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sox.start("sox", args);
        sox.waitForFinished(-1);
        soxStatus = sox.exitCode();
    });
    if (soxStatus != 0) {
        std::fprintf(stderr, "sox failed (exit %d)\n", soxStatus);
        return 1;
    }

    // The two mixes should agree up to resampler and rounding differences.
    const auto read = [](const QString &path) {
        SF_INFO info{};
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        std::vector<float> samples(size_t(info.frames * info.channels));
        sf_readf_float(file, samples.data(), info.frames);
        sf_close(file);
        return samples;
    };
    const std::vector<float> a = read(ours), b = read(dir.path() + "/sox.wav");
    double worst = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, double(std::fabs(a[i] - b[i])));

    std::printf("bounce: %.0f s dialogue, %lld clips on %d tracks, 48 kHz mono -> 44.1 kHz "
                "stereo 16-bit\n",
                project.duration, qlonglong(project.clips.size()), tracks);
    std::printf("bounce median of 3 %.2f s, sox -m %.2f s\n", bounceSeconds, soxSeconds);
    std::printf("largest sample difference between the two mixes %.4f\n", worst);
    std::printf("ratio bounce/sox %.2f (target <= 0.33)\n", bounceSeconds / soxSeconds);
    return 0;
}
