// SPDX-License-Identifier: GPL-3.0-or-later
// The soak run behind scripts/soak: JOBS clone jobs through the real clone queue and the real
// voice engine (its dsp backend), on short takes cut from a shipped voice.
//
//   chorale-soak JOBS
//
// Takes are enqueued in batches of 50 (cleanup on, the effect rotating through all of them);
// once a batch has drained its takes are deleted, so the data directory stays small. Prints the
// app's and the engine's resident memory before the first job, after the first batch (when every
// library, pool and cache is warm) and at the end, and the jobs per minute. Fails when a job
// fails or leaves no clone.
#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "engine/EngineController.h"
#include "model/DataPaths.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace chorale;

namespace {

constexpr int batchSize = 50;
constexpr double takeSeconds = 1.5;

// Resident memory of a process in MB, from /proc (0 when it cannot be read).
double residentMB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// The engine: the child process of this one that runs the engine script.
qint64 enginePid() {
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so read after the last ')'.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1).toLongLong() == getpid())
            return pid;
    }
    return 0;
}

struct Memory {
    double app = 0;
    double engine = 0;
};

Memory measure() {
    return {residentMB(getpid()), residentMB(enginePid())};
}

} // namespace

int main(int argc, char **argv) {
    const int jobs = argc > 1 ? std::atoi(argv[1]) : 500;
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/chorale-soak-XXXXXX"));
    setenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")).constData(),
           1);
    setenv("XDG_CONFIG_HOME",
           QFile::encodeName(home.path() + QStringLiteral("/config")).constData(), 1);
    if (!getenv("CHORALE_ENGINE_BACKEND"))
        setenv("CHORALE_ENGINE_BACKEND", "dsp", 1);
    QCoreApplication app(argc, argv);

    DataStore store;
    store.load();
    const auto voice = std::find_if(store.characters().cbegin(), store.characters().cend(),
                                    [](const auto &c) { return !c.emotions.isEmpty(); });
    if (voice == store.characters().cend()) {
        std::fprintf(stderr, "soak: no default voice was seeded (resources/voices missing?)\n");
        return 2;
    }
    const VoiceCharacter character = *voice;

    // A short take: the first seconds of the other shipped voice.
    const test::AudioInfo speech =
            test::readAudio(DataPaths::characterFolder(store.characters().last().id) + u'/' +
                            store.characters().last().emotions.first().fileName);
    const qint64 frames = std::min<qint64>(speech.frames, qint64(takeSeconds * speech.sampleRate));
    const QString takeFile = home.path() + QStringLiteral("/take.wav");
    test::writeSamples(takeFile,
                       std::vector<float>(speech.samples.begin(),
                                          speech.samples.begin() + frames * speech.channels),
                       speech.sampleRate, speech.channels);

    EngineController engine;
    CleanupSettings cleanup;
    AudioPlayer player;
    CloneQueueController queue;
    int failures = 0;
    QObject::connect(&queue, &CloneQueueController::errorMessageChanged, [&] {
        if (queue.errorMessage()) {
            ++failures;
            std::fprintf(stderr, "soak: job failed: %s\n", qPrintable(*queue.errorMessage()));
            queue.clearErrorMessage();
        }
    });

    const Memory atStart = measure();
    Memory warm;
    bool warmed = false;
    QElapsedTimer clock;
    clock.start();
    int done = 0;
    int missing = 0;
    static const CloneEffect effects[] = {CloneEffect::none, CloneEffect::echo, CloneEffect::robot,
                                          CloneEffect::walkieTalkie};
    while (done < jobs) {
        QList<LibraryItem> batch;
        for (int i = 0; i < batchSize && done + i < jobs; ++i) {
            batch << store.saveOriginalRecording(takeSeconds, character, character.emotions.first(),
                                                 QStringLiteral("Soak"), takeFile);
        }
        QEventLoop loop;
        const auto connection =
                QObject::connect(&queue, &CloneQueueController::drained, &loop, &QEventLoop::quit);
        for (int i = 0; i < batch.size(); ++i) {
            queue.enqueue(batch[i], false, effects[(done + i) % 4], std::nullopt, std::nullopt,
                          store, engine, cleanup, player);
        }
        loop.exec();
        QObject::disconnect(connection);
        for (const LibraryItem &item : batch) {
            if (!store.item(item.id)->convertedAt)
                ++missing;
            store.deleteItem(item);
        }
        done += int(batch.size());
        if (!warmed) {
            warm = measure();
            warmed = true;
        }
        std::printf("soak: %d/%d jobs, %.0f s, app %.1f MB, engine %.1f MB\n", done, jobs,
                    clock.elapsed() / 1000.0, measure().app, measure().engine);
        std::fflush(stdout);
    }
    const double seconds = clock.elapsed() / 1000.0;
    const Memory atEnd = measure();
    engine.stop();

    const auto growth = [](double from, double to) { return from > 0 ? (to / from - 1) * 100 : 0; };
    std::printf("soak: %d jobs in %.0f s, %.1f jobs/min, %d failed, %d without a clone\n", done,
                seconds, done / seconds * 60, failures, missing);
    std::printf("soak: app RSS %.1f MB at start, %.1f MB after %d jobs, %.1f MB at end "
                "(%+.1f %% since the first batch, %+.1f %% since the start)\n",
                atStart.app, warm.app, std::min(batchSize, jobs), atEnd.app,
                growth(warm.app, atEnd.app), growth(atStart.app, atEnd.app));
    std::printf("soak: engine RSS %.1f MB after %d jobs, %.1f MB at end (%+.1f %%)\n", warm.engine,
                std::min(batchSize, jobs), atEnd.engine, growth(warm.engine, atEnd.engine));
    return failures == 0 && missing == 0 ? 0 : 1;
}
