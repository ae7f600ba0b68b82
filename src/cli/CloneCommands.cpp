// SPDX-License-Identifier: GPL-3.0-or-later
// Commands of the clone pipeline: cloning a take through the clone queue, running one
// processor on a file, and the cleanup toggles.
#include "audio/AudioPlayer.h"
#include "cli/Cli.h"
#include "cli/StoreLookup.h"
#include "clone/AudioCleanup.h"
#include "clone/AudioEffects.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "engine/EngineController.h"
#include "model/Background.h"
#include "model/CloneOptions.h"
#include "model/DataPaths.h"
#include "store/DataStore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <qcoro/qcorosignal.h>

#include <cmath>

namespace chorale::cli {

namespace {

QString effectNames() {
    QStringList names;
    for (const CloneEffect effect : allCloneEffects())
        names << rawValue(effect);
    return names.join(u'|');
}

QString describe(const CleanupOptions &o) {
    QStringList steps;
    if (o.reduceNoise)
        steps << QStringLiteral("reduceNoise");
    if (o.enhanceClarity)
        steps << QStringLiteral("enhanceClarity");
    if (o.normalizeVolume)
        steps << QStringLiteral("normalizeVolume");
    return steps.isEmpty() ? QStringLiteral("nothing (copied)") : steps.join(QStringLiteral(", "));
}

QCoro::Task<int> runProcessor(Context &ctx, std::function<void()> work, QString what,
                              QString output) {
    QElapsedTimer timer;
    timer.start();
    QCoro::Task<> processing = runInBackground(std::move(work));
    co_await std::move(processing);
    ctx.out() << what << " -> " << output << "  (" << timer.elapsed() << " ms)" << Qt::endl;
    co_return int(ExitCode::ok);
}

CloneEffect effectOption(Context &ctx) {
    if (!ctx.parser().isSet(QStringLiteral("effect")))
        return CloneEffect::none;
    const QString name = ctx.parser().value(QStringLiteral("effect"));
    const auto chosen = cloneEffectFromRaw(name);
    if (!chosen)
        throw UsageError{QStringLiteral("unknown effect '%1' (use %2)").arg(name, effectNames())};
    return *chosen;
}

QCoro::Task<int> waitForQueue(Context &ctx, CloneQueueController &queue, LibraryItem item) {
    co_await qCoro(&queue, &CloneQueueController::drained);
    if (const auto &error = queue.errorMessage()) {
        ctx.err() << *error << Qt::endl;
        co_return int(ExitCode::userError);
    }
    if (!item.hasConverted()) {
        ctx.err() << "The take was not cloned." << Qt::endl;
        co_return int(ExitCode::userError);
    }
    ctx.out() << "Cloned: " << DataPaths::convertedFile(item.id) << Qt::endl;
    co_return int(ExitCode::ok);
}

int clone(Context &ctx) {
    DataStore &store = ctx.store();
    const LibraryItem item = findItem(store, ctx.argument(0, QStringLiteral("TAKE_ID")));
    const CloneEffect effect = effectOption(ctx);
    if (item.hasConverted()) {
        ctx.err() << "This take already has a clone: " << DataPaths::convertedFile(item.id)
                  << Qt::endl;
        return ExitCode::userError;
    }

    // The fallbacks stand in when the take names no character or emotion that still exists.
    std::optional<VoiceCharacter> fallbackCharacter;
    if (ctx.parser().isSet(QStringLiteral("character")))
        fallbackCharacter = findCharacter(store, ctx.parser().value(QStringLiteral("character")));
    std::optional<QUuid> fallbackEmotion;
    if (ctx.parser().isSet(QStringLiteral("emotion"))) {
        const auto owner =
                fallbackCharacter ? fallbackCharacter : store.character(item.characterId);
        if (!owner)
            throw UsageError{QStringLiteral("--emotion needs --character: the take's character "
                                            "no longer exists")};
        fallbackEmotion = findEmotion(*owner, ctx.parser().value(QStringLiteral("emotion"))).id;
    }

    EngineController &engine = ctx.engine();
    CloneQueueController &queue = ctx.cloneQueue();

    // One line per phase as the take's row would show it, and the engine's start-up on the side.
    QString shownPhase;
    const auto showPhase = [&] {
        const QString message = queue.message(item.id, engine);
        if (message.isEmpty())
            return;
        const QString line = QStringLiteral("%1 %2%").arg(message).arg(
                std::lround(queue.progress(item.id, engine) * 100));
        if (line == shownPhase)
            return;
        shownPhase = line;
        ctx.out() << line << Qt::endl;
    };
    for (auto changed :
         {&CloneQueueController::cloningIDChanged, &CloneQueueController::preparingCleanupChanged,
          &CloneQueueController::applyingEffectChanged})
        QObject::connect(&queue, changed, &queue, showPhase);
    QObject::connect(&engine, &EngineController::convertMessageChanged, &queue, showPhase);
    QObject::connect(&engine, &EngineController::convertProgressChanged, &queue, showPhase);
    QString shownStatus;
    QObject::connect(&engine, &EngineController::statusChanged, &queue, [&] {
        const EngineStatus &status = engine.status();
        const QString line = status.loading && status.progress > 0
                                     ? QStringLiteral("%1 %2%")
                                               .arg(status.message)
                                               .arg(std::lround(status.progress * 100))
                                     : status.message;
        if (line == shownStatus || line.isEmpty())
            return;
        shownStatus = line;
        ctx.out() << "  engine: " << line << Qt::endl;
    });

    queue.enqueue(item, ctx.parser().isSet(QStringLiteral("singing")), effect,
                  fallbackCharacter ? std::optional(fallbackCharacter->id) : std::nullopt,
                  fallbackEmotion, store, engine, ctx.cleanupSettings(), ctx.player());
    ctx.out() << "Waiting to clone…" << Qt::endl;
    return ctx.await(waitForQueue(ctx, queue, item));
}

const Registration cloneCommand({
        "clone",
        "TAKE_ID [--effect echo|robot|walkieTalkie] [--singing] [--character NAME "
        "[--emotion NAME]]",
        "Clone a take through the clone queue (cleanup, engine, effect) and print its phases.",
        [](QCommandLineParser &p) {
            p.addOption({"effect", "Effect after cloning: " + effectNames() + ".", "NAME"});
            p.addOption({"singing", "Convert in singing mode (keeps the melody in key)."});
            p.addOption(
                    {"character", "Character to use when the take's no longer exists.", "NAME"});
            p.addOption({"emotion", "Emotion to use when the take's no longer exists.", "NAME"});
        },
        clone,
});

int process(Context &ctx) {
    const QString from = ctx.argument(0, QStringLiteral("IN"));
    const QString to = QFileInfo(ctx.argument(1, QStringLiteral("OUT"))).absoluteFilePath();
    if (!QFileInfo(from).isFile())
        throw UsageError{QStringLiteral("no such file: %1").arg(from)};
    const bool cleanup = ctx.parser().isSet(QStringLiteral("cleanup"));
    const bool effect = ctx.parser().isSet(QStringLiteral("effect"));
    if (cleanup == effect)
        throw UsageError{QStringLiteral("give either --cleanup or --effect NAME")};

    if (cleanup) {
        const CleanupOptions options = ctx.cleanupSettings().options();
        return ctx.await(runProcessor(
                ctx, [=] { AudioCleanup::process(from, to, options); },
                QStringLiteral("Cleaned (%1)").arg(describe(options)), to));
    }
    const CloneEffect chosen = effectOption(ctx);
    return ctx.await(runProcessor(
            ctx, [=] { AudioEffects::process(from, to, chosen); },
            QStringLiteral("Applied %1").arg(title(chosen)), to));
}

const Registration processCommand({
        "process",
        "IN OUT --cleanup|--effect NAME",
        "Run the voice cleanup (with the saved toggles) or one clone effect on a file.",
        [](QCommandLineParser &p) {
            p.addOption({"cleanup", "Clean the voice with the saved cleanup toggles."});
            p.addOption({"effect", "Apply an effect: " + effectNames() + ".", "NAME"});
        },
        process,
});

// Toggle names as the command accepts them, with their setters.
struct Toggle {
    QString name;
    bool (CleanupSettings::*get)() const;
    void (CleanupSettings::*set)(bool);
};

const QList<Toggle> &toggles() {
    static const QList<Toggle> list = {
            {"reduceNoise", &CleanupSettings::reduceNoise, &CleanupSettings::setReduceNoise},
            {"enhanceClarity", &CleanupSettings::enhanceClarity,
             &CleanupSettings::setEnhanceClarity},
            {"normalizeVolume", &CleanupSettings::normalizeVolume,
             &CleanupSettings::setNormalizeVolume},
    };
    return list;
}

int cleanupSettings(Context &ctx) {
    CleanupSettings &settings = ctx.cleanupSettings();
    for (const QString &assignment : ctx.positional()) {
        const QString name = assignment.section(u'=', 0, 0);
        const QString value = assignment.section(u'=', 1);
        const auto toggle = std::find_if(toggles().begin(), toggles().end(),
                                         [&](const Toggle &t) { return t.name == name; });
        if (toggle == toggles().end() || (value != "on" && value != "off"))
            throw UsageError{QStringLiteral("expected NAME=on|off, got '%1'").arg(assignment)};
        (settings.*(toggle->set))(value == "on");
    }
    for (const Toggle &toggle : toggles())
        ctx.out() << toggle.name.leftJustified(16) << ((settings.*(toggle.get))() ? "on" : "off")
                  << '\n';
    return ExitCode::ok;
}

const Registration cleanupSettingsCommand({
        "cleanup-settings",
        "[reduceNoise|enhanceClarity|normalizeVolume=on|off ...]",
        "Show or change the voice cleanup applied before cloning.",
        {},
        cleanupSettings,
});

} // namespace

} // namespace chorale::cli
