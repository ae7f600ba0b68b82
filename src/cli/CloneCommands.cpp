// SPDX-License-Identifier: GPL-3.0-or-later
// Commands of the clone pipeline: cloning a take through the clone queue, running one
// processor on a file, and the cleanup toggles.
#include "audio/AudioPlayer.h"
#include "cli/Cli.h"
#include "cli/JsonOutput.h"
#include "cli/StoreLookup.h"
#include "clone/AudioCleanup.h"
#include "clone/AudioEffects.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "engine/EngineController.h"
#include "model/Background.h"
#include "model/CloneOptions.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <qcoro/qcorosignal.h>

#include <cmath>

namespace chorale::cli {

namespace {

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

QCoro::Task<int> waitForQueue(Context &ctx, CloneQueueController &queue, QUuid id) {
    co_await qCoro(&queue, &CloneQueueController::drained);
    if (const auto &error = queue.errorMessage()) {
        ctx.err() << *error << Qt::endl;
        co_return int(ExitCode::userError);
    }
    const std::optional<LibraryItem> item = ctx.store().item(id);
    if (!item || !item->hasConverted()) {
        ctx.err() << "The take was not cloned." << Qt::endl;
        co_return int(ExitCode::userError);
    }
    if (ctx.json())
        ctx.printJson(itemJson(*item));
    else
        ctx.out() << "Cloned " << idText(item->id) << "  " << Formatters::duration(item->duration)
                  << "  " << DataPaths::convertedFile(item->id) << Qt::endl;
    co_return int(ExitCode::ok);
}

int clone(Context &ctx) {
    DataStore &store = ctx.store();
    const LibraryItem item = findItem(store, ctx.argument(0, QStringLiteral("TAKE_ID")));
    const CloneEffect effect = ctx.effectOption();
    if (item.hasConverted()) {
        ctx.err() << "This take already has a clone: " << DataPaths::convertedFile(item.id)
                  << Qt::endl;
        return ExitCode::userError;
    }

    // The fallbacks stand in when the take names no character or emotion that still exists.
    std::optional<VoiceCharacter> fallbackCharacter;
    if (const auto name = ctx.option(QStringLiteral("character")))
        fallbackCharacter = findCharacter(store, *name);
    std::optional<QUuid> fallbackEmotion;
    if (const auto name = ctx.option(QStringLiteral("emotion"))) {
        const auto owner =
                fallbackCharacter ? fallbackCharacter : store.character(item.characterId);
        if (!owner)
            throw UsageError{QStringLiteral("--emotion needs --character: the take's character "
                                            "no longer exists")};
        fallbackEmotion = findEmotion(*owner, *name).id;
    }

    EngineController &engine = ctx.engine();
    CloneQueueController &queue = ctx.cloneQueue();
    // Only this job's failure counts (a batch may have seen an earlier one).
    queue.clearErrorMessage();

    // One line per phase, as the take's row shows it.
    JobProgress phases(ctx, [&] {
        return JobProgress::Phase{queue.message(item.id, engine), queue.progress(item.id, engine)};
    });
    for (auto changed :
         {&CloneQueueController::cloningIDChanged, &CloneQueueController::preparingCleanupChanged,
          &CloneQueueController::applyingEffectChanged})
        QObject::connect(&queue, changed, phases.receiver(), [&] { phases.refresh(); });
    phases.followEngine(engine);

    queue.enqueue(item, ctx.parser().isSet(QStringLiteral("singing")), effect,
                  fallbackCharacter ? std::optional(fallbackCharacter->id) : std::nullopt,
                  fallbackEmotion, store, engine, ctx.cleanupSettings(), ctx.player());
    ctx.progress(QStringLiteral("Waiting to clone…"));
    return ctx.await(waitForQueue(ctx, queue, item.id));
}

const Registration cloneCommand({
        "clone",
        "TAKE_ID [--effect NAME] [--singing] [--character NAME [--emotion NAME]] [--json]",
        "Clone a take: clean it, convert it with the engine, apply the effect.",
        [](QCommandLineParser &p) {
            p.addOption({"effect", "Effect after cloning: " + effectNames() + " (default none).",
                         "NAME"});
            p.addOption({"singing", "Convert in singing mode (keeps the melody in key)."});
            p.addOption(
                    {"character", "Character to use when the take's no longer exists.", "NAME"});
            p.addOption({"emotion", "Emotion to use when the take's no longer exists.", "NAME"});
            addJsonOption(p, "Print the cloned take as JSON.");
        },
        clone,
        "The take goes through the same clone queue as in the app: the cleanup switches of "
        "'chorale-cli cleanup-settings' (original.wav to processed.wav), the voice engine "
        "(started on first use) with the emotion's clip, then the effect. The clone is the "
        "take's converted.wav. Each phase is shown on standard error.",
});

int process(Context &ctx) {
    const QString from = ctx.existingFile(0, QStringLiteral("IN"));
    const QString to = QFileInfo(ctx.argument(1, QStringLiteral("OUT"))).absoluteFilePath();
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
    const CloneEffect chosen = ctx.effectOption();
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
    if (ctx.json()) {
        QJsonObject values;
        for (const Toggle &toggle : toggles())
            values[toggle.name] = (settings.*(toggle.get))();
        ctx.printJson(values);
        return ExitCode::ok;
    }
    for (const Toggle &toggle : toggles())
        ctx.out() << toggle.name.leftJustified(16) << ((settings.*(toggle.get))() ? "on" : "off")
                  << '\n';
    return ExitCode::ok;
}

const Registration cleanupSettingsCommand({
        "cleanup-settings",
        "[reduceNoise|enhanceClarity|normalizeVolume=on|off ...] [--json]",
        "Show or change the voice cleanup applied before cloning.",
        [](QCommandLineParser &p) { addJsonOption(p); },
        cleanupSettings,
        "The switches are the app's own preferences (all on by default), shared with the "
        "window's Settings screen.",
});

} // namespace

} // namespace chorale::cli
