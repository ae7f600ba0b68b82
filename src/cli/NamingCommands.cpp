// SPDX-License-Identifier: GPL-3.0-or-later
// Automatic take titles: `title` runs the recording namer on one take or on every untitled one.
#include "cli/Cli.h"
#include "cli/StoreLookup.h"
#include "model/Identifiers.h"
#include "naming/ModelDownload.h"
#include "naming/RecordingNamer.h"
#include "naming/Transcriber.h"
#include "store/DataStore.h"

#include <QJsonArray>
#include <QJsonObject>

namespace chorale::cli {

namespace {

QCoro::Task<int> runNamer(RecordingNamer &namer, DataStore &store,
                          std::optional<LibraryItem> single) {
    if (single)
        co_await namer.nameIfNeeded(*single, store);
    else
        co_await namer.nameUntitled(store);
    co_return int(ExitCode::ok);
}

// What titling needs and what is missing, before anything runs.
void describeSetup(QTextStream &err, const RecordingNamer &namer, const QString &language) {
    const bool recognition = namer.transcriber().isAvailable();
    err << "whisper.cpp: "
        << (recognition ? "built in"
                        : "missing (this build has no speech recognition; install whisper.cpp "
                          "and build again)")
        << '\n';
    const QString file = RecordingNamer::modelFileName(language);
    err << "Language: " << language << " (model " << file << ")\n";
    if (const auto model = RecordingNamer::modelURL(language)) {
        err << "Model: " << *model << '\n';
        return;
    }
    err << "Model: missing; looked for:\n";
    for (const QString &candidate : RecordingNamer::modelCandidates(language))
        err << "  " << candidate << '\n';
    if (language == RecordingNamer::english)
        err << "The English model is never downloaded: place " << file
            << " in one of the folders above.\n";
    else if (recognition)
        err << "It will be downloaded from " << ModelDownload::multilingualModel().url.toString()
            << " into " << RecordingNamer::downloadedModelPath() << '\n';
}

int title(Context &ctx) {
    const QStringList args = ctx.positional();
    const bool all = ctx.parser().isSet(QStringLiteral("all"));
    const bool verbose = ctx.parser().isSet(QStringLiteral("verbose"));
    if (args.size() > 1)
        throw UsageError{QStringLiteral("give one take id")};
    if (all && !args.isEmpty())
        throw UsageError{QStringLiteral("give either a take id or --all")};

    DataStore &store = ctx.store();
    std::optional<LibraryItem> single;
    if (!args.isEmpty())
        single = findItem(store, args.first());
    const QList<LibraryItem> targets = single ? QList<LibraryItem>{*single} : store.items();

    RecordingNamer &namer = RecordingNamer::shared();
    const QString language = RecordingNamer::selectedLanguage();
    const bool hadModel = RecordingNamer::modelURL(language).has_value();
    if (verbose)
        describeSetup(ctx.err(), namer, language);

    const int code = ctx.await(runNamer(namer, store, single));

    if (verbose && !hadModel && language != RecordingNamer::english &&
        namer.transcriber().isAvailable()) {
        ctx.err() << "Download: "
                  << (RecordingNamer::modelURL(language) ? "model in place"
                                                         : "failed; the model is still missing")
                  << '\n';
    }
    QJsonArray titled;
    for (const LibraryItem &before : targets) {
        const std::optional<LibraryItem> after = store.item(before.id);
        if (!after)
            continue;
        if (before.needsTitle() && !after->needsTitle()) {
            titled.append(QJsonObject{{"id", idText(after->id)}, {"title", *after->title}});
            if (!ctx.json())
                ctx.out() << idText(after->id) << "  " << *after->title << '\n';
        } else if (verbose) {
            ctx.err() << idText(after->id) << ": "
                      << (before.needsTitle() ? "no title" : "already titled") << '\n';
        }
    }
    if (ctx.json())
        ctx.printJson(titled);
    return code;
}

const Registration titleCommand({
        "title",
        "[TAKE_ID|--all] [--verbose] [--json]",
        "Title untitled takes from their first words (needs whisper.cpp and its model).",
        [](QCommandLineParser &p) {
            p.addOption({"all", "Title every take that has no title (the default)."});
            p.addOption({"verbose", "Say whether whisper.cpp and the model are present and "
                                    "which model files were looked for."});
            addJsonOption(p, "Print the new titles as a JSON array of {id, title}.");
        },
        title,
        "Prints each new title. Without whisper.cpp or its model takes stay untitled, quietly: "
        "run with --verbose to see what is missing. The language is the app's prompt and title "
        "language (the preference chl.voiceLanguage).",
});

} // namespace
} // namespace chorale::cli
