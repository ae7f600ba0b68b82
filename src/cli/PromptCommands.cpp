// SPDX-License-Identifier: GPL-3.0-or-later
// `speak`: the Prompt screen's Generate without the screen. The engine speaks the text in a
// character's voice, the speech becomes a take from the device "Prompt" titled after the text,
// and its clone is that speech with the effect applied.
#include "cli/Cli.h"
#include "cli/JsonOutput.h"
#include "cli/StoreLookup.h"
#include "clone/PromptGeneration.h"
#include "engine/EngineController.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

namespace chorale::cli {

namespace {

QString languageCodes() {
    QStringList codes;
    for (const VoiceLanguage language : allVoiceLanguages())
        codes << rawValue(language);
    return codes.join(u' ');
}

QString languageList() {
    QStringList lines;
    for (const VoiceLanguage language : allVoiceLanguages())
        lines << QStringLiteral("  %1  %2").arg(rawValue(language), title(language));
    return lines.join(u'\n');
}

QCoro::Task<int> speak(Context &ctx, PromptGeneration::Request request) {
    EngineController &engine = ctx.engine();
    // The effect is rendered after the engine's job has reached 100 %.
    JobProgress phases(ctx, [&] {
        const QString message = engine.convertMessage();
        return JobProgress::Phase{
                message, message == PromptGeneration::effectMessage ? 0 : engine.convertProgress()};
    });
    phases.followEngine(engine);

    QCoro::Task<PromptGeneration::Outcome> generating = PromptGeneration::generate(
            request, ctx.store(), engine, ctx.player(), [&](const LibraryItem &take) {
                ctx.progress(
                        QStringLiteral("Saved %1 “%2”").arg(idText(take.id), take.displayTitle()));
            });
    const PromptGeneration::Outcome outcome = co_await std::move(generating);

    if (outcome.error) {
        ctx.err() << *outcome.error << Qt::endl;
        if (outcome.take)
            ctx.err() << "The take " << idText(outcome.take->id)
                      << " was saved without a clone; clone it with 'chorale-cli clone "
                      << idText(outcome.take->id) << "'." << Qt::endl;
        if (outcome.keptSpeech)
            ctx.err() << "The speech is kept at " << *outcome.keptSpeech << Qt::endl;
        co_return int(ExitCode::userError);
    }
    if (!outcome.take)
        co_return int(ExitCode::userError); // the session is going away
    const LibraryItem &take = *outcome.take;
    if (ctx.json())
        ctx.printJson(itemJson(take));
    else
        ctx.out() << idText(take.id) << "  " << Formatters::duration(take.duration) << "  "
                  << take.displayTitle() << Qt::endl;
    co_return int(ExitCode::ok);
}

int run(Context &ctx) {
    const QStringList words = ctx.positional();
    if (words.isEmpty())
        throw UsageError{QStringLiteral("missing TEXT")};
    if (words.size() > 1)
        throw UsageError{QStringLiteral("give the prompt as one argument, in quotes")};
    const QString text = words.first().trimmed();
    if (text.isEmpty())
        throw UsageError{QStringLiteral("the prompt is empty")};
    const auto characterName = ctx.option(QStringLiteral("character"));
    if (!characterName)
        throw UsageError{QStringLiteral("missing --character NAME")};

    VoiceLanguage language = ClonePreferences::voiceLanguage();
    if (const auto code = ctx.option(QStringLiteral("language"))) {
        const auto chosen = voiceLanguageFromRaw(*code);
        if (!chosen)
            throw UsageError{QStringLiteral("unknown language '%1' (use one of: %2)")
                                     .arg(*code, languageCodes())};
        language = *chosen;
    }
    const CloneEffect effect = ctx.effectOption();

    const VoiceCharacter character = findCharacter(ctx.store(), *characterName);
    // As on the screen, the character's first emotion unless one is named.
    std::optional<CharacterEmotion> emotion;
    if (const auto name = ctx.option(QStringLiteral("emotion")))
        emotion = findEmotion(character, *name);
    else if (!character.emotions.isEmpty())
        emotion = character.emotions.first();
    if (!emotion)
        throw ChoraleError::missingCharacter();

    return ctx.await(speak(ctx, {text, character, *emotion, language, effect}));
}

const Registration speakCommand({
        "speak",
        "TEXT --character NAME [--emotion NAME] [--language CODE] [--effect NAME] [--json]",
        "Speak a prompt in a character's voice into a new take (the Prompt screen's Generate).",
        [](QCommandLineParser &p) {
            p.addOption({"character", "Character whose voice speaks (name or id).", "NAME"});
            p.addOption({"emotion", "Emotion clip to speak with (default: the character's first).",
                         "NAME"});
            p.addOption({"language",
                         "Language of the text, a two-letter code (default: the app's prompt "
                         "language, English at first).",
                         "CODE"});
            p.addOption({"effect", "Effect on the clone: " + effectNames() + " (default none).",
                         "NAME"});
            addJsonOption(p, "Print the new take as JSON.");
        },
        run,
        "Prints the new take's id, length and title. The take is titled from the text: one "
        "line, at most 72 characters, then \"…\". Its original is the engine's speech and its "
        "clone (converted.wav) is the same speech with the effect applied. The engine starts "
        "on first use; its start-up and the speech's progress are shown on standard error.\n\n"
        "--language does not change the app's saved language. Languages:\n" +
                languageList() +
                "\n\nThe built-in offline engine speaks with espeak-ng; engine/README.md lists its "
                "voice and limits for each language.",
});

} // namespace

} // namespace chorale::cli
