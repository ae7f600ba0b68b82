// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on dialogues: creating and filling them from cloned takes, listing, exporting the mix
// or one track as WAV, and playing them on the default output.
#include "audio/AudioPlayer.h"
#include "cli/Cli.h"
#include "cli/JsonOutput.h"
#include "cli/Session.h"
#include "cli/StoreLookup.h"
#include "dialogue/DialogueMixer.h"
#include "model/Background.h"
#include "model/ChoraleError.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>

#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace chorale::cli {

namespace {

const DialogueTrack *trackOf(const DialogueProject &d, const QUuid &id) {
    for (const DialogueTrack &t : d.tracks) {
        if (t.id == id)
            return &t;
    }
    return nullptr;
}

DialogueTrack findTrack(const DialogueProject &d, const QString &nameOrId) {
    const auto id = parseId(nameOrId);
    for (const DialogueTrack &t : d.tracks) {
        if ((id && t.id == *id) || t.name.compare(nameOrId, Qt::CaseInsensitive) == 0)
            return t;
    }
    throw ChoraleError::platform(
            QStringLiteral("“%1” has no track named “%2”.").arg(d.name, nameOrId));
}

void printClip(QTextStream &out, const DialogueProject &d, const DialogueClip &c) {
    const DialogueTrack *track = trackOf(d, c.trackId);
    out << "  " << (track ? track->name : QStringLiteral("?")).left(20).leftJustified(20) << ' '
        << Formatters::clock(c.startTime).rightJustified(7) << " – "
        << Formatters::clock(c.endTime()).leftJustified(7) << "  source "
        << Formatters::clock(c.trimStart) << "–" << Formatters::clock(c.trimEnd) << " of "
        << Formatters::clock(c.sourceDuration) << "  " << idText(c.id) << '\n';
}

void printDialogue(QTextStream &out, const DialogueProject &d) {
    out << d.name << "  " << Formatters::duration(d.duration) << "  " << d.tracks.size()
        << (d.tracks.size() == 1 ? " track, " : " tracks, ") << d.clips.size()
        << (d.clips.size() == 1 ? " clip  " : " clips  ") << idText(d.id) << '\n';
    for (const DialogueClip &c : d.clips)
        printClip(out, d, c);
}

const Registration listCommand({
        "dialogue list",
        "[--json]",
        "List the dialogues, newest first.",
        [](QCommandLineParser &p) { addJsonOption(p); },
        [](Context &ctx) {
            const auto &dialogues = ctx.store().dialogues();
            if (ctx.json()) {
                QJsonArray all;
                for (const auto &d : dialogues)
                    all.append(dialogueJson(d));
                ctx.printJson(all);
                return int(ExitCode::ok);
            }
            for (const auto &d : dialogues) {
                ctx.out() << d.name.left(40).leftJustified(40) << ' '
                          << Formatters::duration(d.duration).rightJustified(6) << "  "
                          << QString::number(d.tracks.size()).rightJustified(2) << " tracks "
                          << QString::number(d.clips.size()).rightJustified(3) << " clips  "
                          << idText(d.id) << '\n';
            }
            return int(ExitCode::ok);
        },
});

const Registration showCommand({
        "dialogue show",
        "DIALOGUE [--json]",
        "Show a dialogue's tracks and clips.",
        [](QCommandLineParser &p) { addJsonOption(p); },
        [](Context &ctx) {
            const DialogueProject d = findDialogue(ctx.store(), ctx.argument(0, "DIALOGUE"));
            if (ctx.json())
                ctx.printJson(dialogueJson(d));
            else
                printDialogue(ctx.out(), d);
            return int(ExitCode::ok);
        },
});

const Registration createCommand({
        "dialogue create",
        "NAME [--json]",
        "Create an empty dialogue.",
        [](QCommandLineParser &p) { addJsonOption(p, "Print the new dialogue as JSON."); },
        [](Context &ctx) {
            const DialogueProject d = ctx.store().createDialogue(ctx.argument(0, "NAME"));
            if (ctx.json())
                ctx.printJson(dialogueJson(d));
            else
                ctx.out() << "Created " << d.name << "  " << idText(d.id) << '\n';
            return int(ExitCode::ok);
        },
});

const Registration renameCommand({
        "dialogue rename",
        "DIALOGUE NEW_NAME",
        "Rename a dialogue (a blank name gives “Untitled dialogue”).",
        {},
        [](Context &ctx) {
            DataStore &store = ctx.store();
            const DialogueProject d = findDialogue(store, ctx.argument(0, "DIALOGUE"));
            store.renameDialogue(d, ctx.argument(1, "NEW_NAME"));
            ctx.out() << "Renamed " << d.name << " to " << store.dialogue(d.id)->name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration deleteCommand({
        "dialogue delete",
        "DIALOGUE",
        "Delete a dialogue with its clips (the library's takes stay).",
        {},
        [](Context &ctx) {
            const DialogueProject d = findDialogue(ctx.store(), ctx.argument(0, "DIALOGUE"));
            ctx.store().deleteDialogue(d);
            ctx.out() << "Deleted " << d.name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration addCommand({
        "dialogue add",
        "DIALOGUE TAKE_ID... [--character-track] [--json]",
        "Copy the clones of takes into a dialogue, one after another at its end.",
        [](QCommandLineParser &p) {
            p.addOption({"character-track",
                         "Place each take at the end of its character's own track instead."});
            addJsonOption(p, "Print the updated dialogue as JSON.");
        },
        [](Context &ctx) {
            DataStore &store = ctx.store();
            const DialogueProject d = findDialogue(store, ctx.argument(0, "DIALOGUE"));
            const QStringList ids = ctx.positional().mid(1);
            if (ids.isEmpty())
                throw UsageError{"missing TAKE_ID"};
            QList<LibraryItem> takes;
            for (const QString &id : ids)
                takes << findItem(store, id);
            const qsizetype before = d.clips.size();
            const DialogueProject updated =
                    store.addClips(takes, d, ctx.parser().isSet("character-track"));
            if (ctx.json()) {
                ctx.printJson(dialogueJson(updated));
                return int(ExitCode::ok);
            }
            const qsizetype added = updated.clips.size() - before;
            ctx.out() << "Added " << added << (added == 1 ? " clip" : " clips") << " to "
                      << updated.name << " (" << Formatters::duration(updated.duration) << ")\n";
            for (qsizetype i = before; i < updated.clips.size(); ++i)
                printClip(ctx.out(), updated, updated.clips[i]);
            if (added < takes.size()) {
                ctx.out() << "Skipped " << takes.size() - added << " take(s) without a clone.\n";
            }
            return int(ExitCode::ok);
        },
});

// GCC 12 can destroy a closure handed to a coroutine twice, so the work captures only a
// reference to its arguments, which live in this coroutine's frame until the work is done.
QCoro::Task<int> exportDialogue(Context &ctx, DialogueProject project, QString path,
                                std::optional<DialogueTrack> track) {
    struct Export {
        DialogueProject project;
        QString path;
        std::optional<QUuid> trackId;
    } job{project, path, track ? std::optional<QUuid>(track->id) : std::nullopt};
    const QString what = track ? QStringLiteral("“%1”, track “%2”").arg(project.name, track->name)
                               : QStringLiteral("“%1”").arg(project.name);
    // As the Dialogues screen does: no live playback while a mix is rendered.
    ctx.mixer().stopEngine();
    ctx.progress(QStringLiteral("Exporting %1…").arg(what));
    QElapsedTimer clock;
    clock.start();
    auto work = [&job] { DialogueMixer::bounce(job.project, job.path, job.trackId); };
    co_await runInBackground(std::move(work));
    const double seconds = std::max(project.duration, 0.05);
    ctx.progress(QStringLiteral("Exported in %1 s").arg(clock.elapsed() / 1000.0, 0, 'f', 2));
    if (ctx.json()) {
        ctx.printJson(QJsonObject{
                {"file", path},
                {"dialogue", idText(project.id)},
                {"track", track ? QJsonValue(idText(track->id)) : QJsonValue(QJsonValue::Null)},
                {"seconds", seconds},
                {"sampleRate", 44100},
                {"channels", 2},
                {"bitsPerSample", 16}});
    } else {
        ctx.out() << "Exported " << what << " to " << path << " (" << Formatters::duration(seconds)
                  << ", 44.1 kHz stereo 16-bit)" << Qt::endl;
    }
    co_return int(ExitCode::ok);
}

const Registration exportCommand({
        "dialogue export",
        "DIALOGUE OUT.wav [--track NAME] [--json]",
        "Export the mix, or one track, as a 44.1 kHz stereo 16-bit WAV.",
        [](QCommandLineParser &p) {
            p.addOption({"track",
                         "Export only this track (name or id); the file still spans "
                         "the whole dialogue.",
                         "NAME"});
            addJsonOption(p, "Print what was written as JSON.");
        },
        [](Context &ctx) {
            const DialogueProject d = findDialogue(ctx.store(), ctx.argument(0, "DIALOGUE"));
            const QString path = QFileInfo(ctx.argument(1, "OUT.wav")).absoluteFilePath();
            if (QFileInfo(path).isDir())
                throw UsageError{QStringLiteral("%1 is a folder").arg(path)};
            std::optional<DialogueTrack> track;
            if (const auto name = ctx.option("track"))
                track = findTrack(d, *name);
            return ctx.await(exportDialogue(ctx, d, path, track));
        },
        "A mix louder than full scale is brought down to a peak of 0.89; a quieter one is "
        "written as summed. An existing file at OUT.wav is replaced.",
});

const Registration playCommand({
        "dialogue play",
        "DIALOGUE [--from SECONDS]",
        "Play a dialogue's live mix on the default output, showing the playhead.",
        [](QCommandLineParser &p) {
            p.addOption({"from", "Start this many seconds in (default 0).", "SECONDS", "0"});
        },
        [](Context &ctx) {
            const DialogueProject d = findDialogue(ctx.store(), ctx.argument(0, "DIALOGUE"));
            bool ok = false;
            const double from = ctx.parser().value("from").toDouble(&ok);
            if (!ok || from < 0)
                throw UsageError{"--from needs a number of seconds, 0 or more"};

            // The take player and the mixer never play at once.
            ctx.player().stop();
            DialogueMixer &mixer = ctx.mixer();
            mixer.play(d, from);
            if (!mixer.isPlaying()) {
                ctx.err() << "Nothing to play: " << d.name
                          << (from >= d.duration - 0.01 ? " ends before that point.\n"
                                                        : " has no readable clips there, or no "
                                                          "audio output could be opened.\n");
                return int(ExitCode::userError);
            }
            // The playhead is progress: it goes to standard error, rewritten in place on a
            // terminal and once a second otherwise.
            QTextStream &err = ctx.err();
            const bool live = isatty(STDERR_FILENO) && !ctx.session().quiet();
            auto show = [&] {
                if (ctx.session().quiet())
                    return;
                err << (live ? "\r" : "") << "Playing " << d.name << "  "
                    << Formatters::clock(mixer.currentTime()) << " / "
                    << Formatters::clock(d.duration) << (live ? "" : "\n");
                err.flush();
            };
            show();
            QTimer progress;
            QObject::connect(&progress, &QTimer::timeout, show);
            progress.start(live ? 100 : 1000);
            QObject::connect(&mixer, &DialogueMixer::isPlayingChanged, &progress, [&] {
                if (!mixer.isPlaying())
                    QCoreApplication::exit(0);
            });
            // Ctrl-C stops playback cleanly instead of killing the output mid-buffer.
            static volatile std::sig_atomic_t stopRequests = 0;
            stopRequests = 0;
            const auto previous = std::signal(SIGINT, [](int) { stopRequests = 1; });
            QTimer interrupt;
            QObject::connect(&interrupt, &QTimer::timeout, [&] {
                if (stopRequests)
                    mixer.stopEngine();
            });
            interrupt.start(50);
            QCoreApplication::exec();
            std::signal(SIGINT, previous);
            show();
            if (live)
                err << Qt::endl;
            ctx.out() << "Played " << d.name << " to " << Formatters::clock(mixer.currentTime())
                      << Qt::endl;
            return int(ExitCode::ok);
        },
});

} // namespace
} // namespace chorale::cli
