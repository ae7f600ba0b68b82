// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on audio devices: listing the microphones, recording a take into the library and
// playing a file.
#include "audio/AudioDeviceList.h"
#include "audio/AudioOutputStream.h"
#include "audio/AudioPlayer.h"
#include "audio/AudioRecorder.h"
#include "cli/Cli.h"
#include "cli/JsonOutput.h"
#include "cli/Session.h"
#include "cli/StoreLookup.h"
#include "dialogue/DialogueMixer.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/AudioFileTools.h"
#include "store/DataStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <qcoro/qcorotimer.h>

#include <unistd.h>

#include <chrono>
#include <cmath>

namespace chorale::cli {

namespace {

using namespace std::chrono_literals;

// How long `record` waits beyond the requested length for a device that delivers audio late.
constexpr double recordGraceSeconds = 5.0;

QJsonObject deviceJson(const AudioInputDevice &device, quint32 defaultID) {
    return {{"id", qint64(device.id)},
            {"name", device.name},
            {"uid", device.uid},
            {"isBuiltin", device.isBuiltin},
            {"label", device.displayLabel()},
            {"isDefault", device.id == defaultID}};
}

int devices(Context &ctx) {
    const QList<AudioInputDevice> inputs = AudioDeviceList::inputs();
    const quint32 defaultID = AudioDeviceList::defaultInputID();
    if (ctx.json()) {
        QJsonArray list;
        for (const AudioInputDevice &device : inputs)
            list.append(deviceJson(device, defaultID));
        ctx.printJson(list);
        return ExitCode::ok;
    }
    if (inputs.isEmpty()) {
        ctx.out() << "No microphone found.\n";
        return ExitCode::ok;
    }
    ctx.out() << "Microphones (* = system default)\n";
    for (const AudioInputDevice &device : inputs) {
        ctx.out() << (device.id == defaultID ? "* " : "  ")
                  << QString::number(device.id).leftJustified(11) << ' '
                  << device.displayLabel().leftJustified(44) << ' ' << device.uid << '\n';
    }
    return ExitCode::ok;
}

// The device named on the command line (its id, uid or name), or the picker's default choice.
AudioInputDevice chooseDevice(Context &ctx) {
    const QList<AudioInputDevice> inputs = AudioDeviceList::inputs();
    if (!ctx.parser().isSet("device")) {
        const quint32 id =
                AudioDeviceList::selection(inputs, std::nullopt, AudioDeviceList::defaultInputID());
        for (const AudioInputDevice &device : inputs) {
            if (device.id == id)
                return device;
        }
        throw ChoraleError::platform(QStringLiteral("No microphone found."));
    }
    const QString wanted = ctx.parser().value("device");
    bool numeric = false;
    const quint32 id = wanted.toUInt(&numeric);
    for (const AudioInputDevice &device : inputs) {
        if ((numeric && device.id == id) || device.uid == wanted ||
            device.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return device;
    }
    // An identifier that is not listed goes to the recorder, which refuses it as the app would.
    if (numeric)
        return AudioInputDevice{id, wanted, wanted, false};
    throw UsageError{QStringLiteral("no microphone %1 (see 'chorale-cli devices')").arg(wanted)};
}

QString meter(float level) {
    const int width = 20;
    const int filled = int(std::lround(level * width));
    return QString(filled, QChar(u'#')) + QString(width - filled, QChar(u'.'));
}

QCoro::Task<int> record(Context &ctx, double seconds, AudioInputDevice device,
                        std::optional<VoiceCharacter> character,
                        std::optional<CharacterEmotion> emotion) {
    DataStore &store = ctx.store();
    QDir().mkpath(DataPaths::tmpFolder());
    AudioRecorder recorder;
    recorder.start(device.id, DataPaths::tmpFolder());
    const bool live = isatty(STDERR_FILENO) && !ctx.session().quiet();
    ctx.progress(QStringLiteral("Recording %1 s from %2").arg(seconds).arg(device.displayLabel()));

    // The take is long enough once it holds the requested length of audio: devices that deliver
    // in large bursts then still give a take of the length asked for.
    const qint64 wantedFrames = std::llround(seconds * recorder.captureStats().sampleRate);
    QElapsedTimer clock;
    clock.start();
    while (recorder.captureStats().framesCaptured < wantedFrames &&
           clock.elapsed() < qint64((seconds + recordGraceSeconds) * 1000)) {
        co_await QCoro::sleepFor(100ms);
        if (live)
            ctx.err() << "\r  " << Formatters::clock(recorder.elapsed()) << "  "
                      << meter(recorder.level()) << Qt::flush;
    }
    recorder.stop();
    if (live)
        ctx.err() << '\n';

    const QString take = recorder.lastFileURL();
    const AudioRecorder::CaptureStats stats = recorder.captureStats();
    if (!recorder.lastTakeError().isEmpty()) {
        ctx.err() << recorder.lastTakeError() << "\nThe partial take is kept at " << take
                  << Qt::endl;
        co_return int(ExitCode::userError);
    }
    if (stats.framesWritten == 0) {
        QFile::remove(take);
        ctx.err() << "The microphone delivered no audio." << Qt::endl;
        co_return int(ExitCode::userError);
    }

    const LibraryItem item =
            store.saveOriginalRecording(recorder.elapsed(), character, emotion, device.name, take);
    QFile::remove(take); // the library has its own copy now

    if (ctx.json()) {
        QJsonObject o = itemJson(item);
        if (ctx.parser().isSet("stats")) {
            o["capture"] = QJsonObject{{"sampleRate", stats.sampleRate},
                                       {"channels", stats.channels},
                                       {"buffers", stats.buffers},
                                       {"framesCaptured", stats.framesCaptured},
                                       {"framesWritten", stats.framesWritten},
                                       {"failedWrites", stats.failedWrites},
                                       {"cpuSeconds", stats.cpuSeconds},
                                       {"elapsed", recorder.elapsed()}};
        }
        ctx.printJson(o);
    } else {
        ctx.out() << idText(item.id) << "  " << Formatters::duration(item.duration) << "  ("
                  << QString::number(item.duration, 'f', 2) << " s)\n";
        if (ctx.parser().isSet("stats")) {
            ctx.out() << "captured " << stats.framesCaptured << " frames in " << stats.buffers
                      << " buffers at " << stats.sampleRate << " Hz x " << stats.channels
                      << "; failed writes " << stats.failedWrites << "; audio thread CPU "
                      << QString::number(stats.cpuSeconds, 'f', 3) << " s\n";
        }
    }
    co_return int(ExitCode::ok);
}

QCoro::Task<int> play(Context &ctx, QString path) {
    if (!AudioOutputStream::defaultFormat().isValid())
        throw ChoraleError::platform(QStringLiteral("No audio output device."));
    // The take player and the mixer never play at once.
    ctx.mixer().stopEngine();
    AudioPlayer &player = ctx.player();
    player.toggle(path);
    if (!player.isPlaying(path))
        throw ChoraleError::unreadableAudio();
    double length = 0;
    try {
        length = AudioFileTools::duration(path);
    } catch (const ChoraleError &) {
    }
    ctx.progress(QStringLiteral("Playing %1 (%2)")
                         .arg(QFileInfo(path).fileName(), Formatters::duration(length)));
    while (player.isPlaying(path))
        co_await QCoro::sleepFor(50ms);
    ctx.out() << "Played " << path << '\n';
    co_return int(ExitCode::ok);
}

const Registration devicesCommand({
        "devices",
        "[--json]",
        "List the microphones, the default one first, with their ids.",
        [](QCommandLineParser &p) { addJsonOption(p); },
        devices,
});

const Registration recordCommand({
        "record",
        "[--seconds N] [--device ID] [--character NAME [--emotion NAME]] [--json] [--stats]",
        "Record a take from a microphone into the library; prints its id and length.",
        [](QCommandLineParser &p) {
            p.addOption({"seconds", "Length of the take in seconds (default 3).", "N", "3"});
            p.addOption(
                    {"device", "Microphone id, uid or name (default: the system default).", "ID"});
            p.addOption({"character", "Character the take is for.", "NAME"});
            p.addOption({"emotion", "Emotion of that character.", "NAME"});
            addJsonOption(p, "Print the new take as JSON.");
            p.addOption({"stats", "Also print capture statistics (buffers, failed writes, CPU)."});
        },
        [](Context &ctx) {
            bool ok = false;
            const double seconds = ctx.parser().value("seconds").toDouble(&ok);
            if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 4 * 3600)
                throw UsageError{"--seconds needs a positive number of seconds"};
            std::optional<VoiceCharacter> character;
            std::optional<CharacterEmotion> emotion;
            if (ctx.parser().isSet("character")) {
                character = findCharacter(ctx.store(), ctx.parser().value("character"));
                emotion = ctx.parser().isSet("emotion")
                                  ? findEmotion(*character, ctx.parser().value("emotion"))
                                  : character->emotion(std::nullopt);
            } else if (ctx.parser().isSet("emotion")) {
                throw UsageError{"--emotion needs --character"};
            }
            return ctx.await(record(ctx, seconds, chooseDevice(ctx), character, emotion));
        },
});

const Registration playCommand({
        "play",
        "FILE",
        "Play an audio file to the end on the default output.",
        {},
        [](Context &ctx) { return ctx.await(play(ctx, ctx.existingFile(0))); },
});

} // namespace
} // namespace chorale::cli
