// SPDX-License-Identifier: GPL-3.0-or-later
// Times the voice cleanup and the three clone effects on 60 s of 48 kHz mono speech against the
// nearest sox chains, both measured here in the same run, file in to file out (32-bit float
// WAV). The speech is espeak-ng's, resampled and looped by sox.
#include "BenchSupport.h"
#include "clone/AudioCleanup.h"
#include "clone/AudioEffects.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace chorale;

namespace {

constexpr int runs = 5;

bool run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return false;
    }
    return true;
}

struct Chain {
    const char *name;
    std::function<void(const QString &in, const QString &out)> ours;
    QStringList sox; // effects after "sox IN -e floating-point -b 32 OUT"
};

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString voice = dir.path() + "/voice.wav";
    const QString speech = dir.path() + "/speech.wav";
    const QString text = "The quick brown fox jumps over the lazy dog. Voices carry further on a "
                         "quiet evening, when the wind has dropped and the street is empty. "
                         "Please leave a message after the tone, and we will call you back.";
    if (!run("espeak-ng", {"-w", voice, text}) ||
        !run("sox", {voice, "-r", "48000", "-c", "1", "-e", "floating-point", "-b", "32", speech,
                     "repeat", "10", "trim", "0", "60"})) {
        return 1;
    }

    const Chain chains[] = {
            {"cleanup",
             [](const QString &in, const QString &out) {
                 AudioCleanup::process(in, out, {true, true, true});
             },
             {"highpass", "90", "lowpass", "9000", "equalizer", "2800", "0.8o", "3", "treble",
              "1.5", "5500", "compand", "0.004,0.12", "-100,-199,-34,-34,0,0", "norm", "-1"}},
            {"echo",
             [](const QString &in, const QString &out) {
                 AudioEffects::process(in, out, CloneEffect::echo);
             },
             {"pad",  "0",     "1.6",     "echo",  "0.62", "1",     "220",  "0.38",
              "440",  "0.16",  "660",     "0.067", "880",  "0.028", "1100", "0.012",
              "1320", "0.005", "lowpass", "7500",  "norm", "-1"}},
            {"robot",
             [](const QString &in, const QString &out) {
                 AudioEffects::process(in, out, CloneEffect::robot);
             },
             {"highpass", "400", "lowpass", "2500", "tremolo", "40", "100", "norm", "-1"}},
            {"walkie",
             [](const QString &in, const QString &out) {
                 AudioEffects::process(in, out, CloneEffect::walkieTalkie);
             },
             {"gain", "3", "highpass", "400", "lowpass", "2800", "overdrive", "18", "lowpass",
              "3500", "pad", "0", "0.05", "norm", "-1"}},
    };

    std::printf("dsp: 60 s of 48 kHz mono speech, file to file, median of %d runs\n", runs);
    for (const Chain &chain : chains) {
        const QString ours = dir.path() + "/ours.wav";
        const QString theirs = dir.path() + "/sox.wav";
        const double oursSeconds = bench::medianSeconds(runs, [&] { chain.ours(speech, ours); });
        bool soxOk = true;
        const double soxSeconds = bench::medianSeconds(runs, [&] {
            soxOk = run("sox", QStringList{speech, "-e", "floating-point", "-b", "32", theirs} +
                                       chain.sox) &&
                    soxOk;
        });
        if (!soxOk)
            return 1;
        std::printf("%-8s ours %6.1f ms   sox %6.1f ms   ratio %.2f (target <= 0.5)\n", chain.name,
                    oursSeconds * 1e3, soxSeconds * 1e3, oursSeconds / soxSeconds);
    }
    return 0;
}
