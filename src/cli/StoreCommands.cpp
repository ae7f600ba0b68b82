// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on characters and takes: listing, importing, renaming and deleting.
#include "cli/Cli.h"
#include "cli/JsonOutput.h"
#include "cli/StoreLookup.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

#include <QJsonArray>
#include <QJsonObject>

namespace chorale::cli {

namespace {

int list(Context &ctx) {
    DataStore &store = ctx.store();
    if (ctx.json()) {
        QJsonArray characters, takes, dialogues;
        for (const auto &c : store.characters())
            characters.append(characterJson(c));
        for (const auto &i : store.items())
            takes.append(itemJson(i));
        for (const auto &d : store.dialogues())
            dialogues.append(dialogueJson(d));
        ctx.printJson(QJsonObject{{"dataDirectory", DataStore::rootDirectory()},
                                  {"characters", characters},
                                  {"takes", takes},
                                  {"dialogues", dialogues}});
        return ExitCode::ok;
    }
    QTextStream &out = ctx.out();
    out << "Data: " << DataStore::rootDirectory() << "\n\n";
    out << "Characters (" << store.characters().size() << ")\n";
    for (const auto &c : store.characters()) {
        out << "  " << c.name.leftJustified(24) << ' ' << c.emotionSummary().leftJustified(28)
            << ' ' << Formatters::duration(c.duration).rightJustified(6) << "  " << idText(c.id)
            << '\n';
    }
    out << "\nTakes (" << store.items().size() << ")\n";
    for (const auto &i : store.items()) {
        out << "  " << i.displayTitle().left(40).leftJustified(40) << ' '
            << Formatters::duration(i.duration).rightJustified(6) << "  "
            << (i.hasConverted() ? "cloned " : "       ") << ' ' << idText(i.id) << '\n';
    }
    out << "\nDialogues (" << store.dialogues().size() << ")\n";
    for (const auto &d : store.dialogues()) {
        out << "  " << d.name.leftJustified(40) << ' '
            << Formatters::duration(d.duration).rightJustified(6) << "  " << d.clips.size()
            << " clips  " << idText(d.id) << '\n';
    }
    return ExitCode::ok;
}

const Registration listCommand({
        "list",
        "[--json]",
        "List characters, takes and dialogues.",
        [](QCommandLineParser &p) { addJsonOption(p); },
        list,
});

const Registration addCharacterCommand({
        "add-character",
        "NAME FILE [--emotion NAME] [--json]",
        "Create a character from a 3–30 s voice clip (WAV, FLAC or MP3).",
        [](QCommandLineParser &p) {
            p.addOption({"emotion", "Name of the clip's emotion (default Neutral).", "NAME"});
            addJsonOption(p, "Print the new character as JSON.");
        },
        [](Context &ctx) {
            const QString name = ctx.argument(0, "NAME").trimmed();
            if (name.isEmpty())
                throw UsageError{"the character needs a name"};
            const VoiceCharacter c = ctx.store().addCharacter(name, ctx.parser().value("emotion"),
                                                              ctx.existingFile(1));
            if (ctx.json())
                ctx.printJson(characterJson(c));
            else
                ctx.out() << "Added " << c.name << " (" << Formatters::duration(c.duration) << ")  "
                          << idText(c.id) << '\n';
            return int(ExitCode::ok);
        },
});

const Registration addEmotionCommand({
        "add-emotion",
        "CHARACTER NAME FILE",
        "Add an emotion clip (3–30 s) to a character.",
        {},
        [](Context &ctx) {
            const VoiceCharacter c = findCharacter(ctx.store(), ctx.argument(0, "CHARACTER"));
            const QString name = ctx.argument(1, "NAME");
            ctx.store().addEmotion(c, name, ctx.existingFile(2));
            const auto updated = ctx.store().character(c.id);
            ctx.out() << "Added " << updated->emotions.last().name << " to " << c.name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration renameCharacterCommand({
        "rename-character",
        "CHARACTER NEW_NAME",
        "Rename a character (its takes follow).",
        {},
        [](Context &ctx) {
            const VoiceCharacter c = findCharacter(ctx.store(), ctx.argument(0, "CHARACTER"));
            const QString name = ctx.argument(1, "NEW_NAME").trimmed();
            if (name.isEmpty())
                throw UsageError{"the new name is empty"};
            ctx.store().renameCharacter(c, name);
            ctx.out() << "Renamed " << c.name << " to " << name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration renameEmotionCommand({
        "rename-emotion",
        "CHARACTER EMOTION NEW_NAME",
        "Rename one of a character's emotions (its takes follow).",
        {},
        [](Context &ctx) {
            const VoiceCharacter c = findCharacter(ctx.store(), ctx.argument(0, "CHARACTER"));
            const CharacterEmotion e = findEmotion(c, ctx.argument(1, "EMOTION"));
            const QString name = ctx.argument(2, "NEW_NAME").trimmed();
            if (name.isEmpty())
                throw UsageError{"the new name is empty"};
            ctx.store().renameEmotion(e, c, name);
            ctx.out() << "Renamed " << e.name << " to " << name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration deleteEmotionCommand({
        "delete-emotion",
        "CHARACTER EMOTION",
        "Delete one of a character's emotions.",
        {},
        [](Context &ctx) {
            const VoiceCharacter c = findCharacter(ctx.store(), ctx.argument(0, "CHARACTER"));
            const CharacterEmotion e = findEmotion(c, ctx.argument(1, "EMOTION"));
            if (c.emotions.size() <= 1) {
                ctx.err() << "A character needs at least one emotion clip.\n";
                return int(ExitCode::userError);
            }
            ctx.store().deleteEmotion(e, c);
            ctx.out() << "Deleted " << e.name << " from " << c.name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration deleteCharacterCommand({
        "delete-character",
        "CHARACTER",
        "Delete a character and its clips (its takes stay).",
        {},
        [](Context &ctx) {
            const VoiceCharacter c = findCharacter(ctx.store(), ctx.argument(0, "CHARACTER"));
            ctx.store().deleteCharacter(c);
            ctx.out() << "Deleted " << c.name << '\n';
            return int(ExitCode::ok);
        },
});

const Registration importTakeCommand({
        "import-take",
        "FILE [--character NAME] [--emotion NAME] [--device NAME] [--json]",
        "Save an audio file as a new take in the library.",
        [](QCommandLineParser &p) {
            p.addOption({"character", "Character the take is for.", "NAME"});
            p.addOption({"emotion", "Emotion of that character.", "NAME"});
            p.addOption({"device", "Device name stored with the take (default: File).", "NAME",
                         "File"});
            addJsonOption(p, "Print the new take as JSON.");
        },
        [](Context &ctx) {
            const QString file = ctx.existingFile(0);
            DataStore &store = ctx.store();
            std::optional<VoiceCharacter> character;
            std::optional<CharacterEmotion> emotion;
            if (ctx.parser().isSet("character")) {
                character = findCharacter(store, ctx.parser().value("character"));
                emotion = ctx.parser().isSet("emotion")
                                  ? findEmotion(*character, ctx.parser().value("emotion"))
                                  : character->emotion(std::nullopt);
            } else if (ctx.parser().isSet("emotion")) {
                throw UsageError{"--emotion needs --character"};
            }
            const LibraryItem item = store.saveOriginalRecording(
                    0, character, emotion, ctx.parser().value("device"), file);
            if (ctx.json())
                ctx.printJson(itemJson(item));
            else
                ctx.out() << idText(item.id) << "  " << Formatters::duration(item.duration) << '\n';
            return int(ExitCode::ok);
        },
});

const Registration deleteTakeCommand({
        "delete-take",
        "ID",
        "Delete a take with its original and clone.",
        {},
        [](Context &ctx) {
            const LibraryItem item = findItem(ctx.store(), ctx.argument(0, "ID"));
            ctx.store().deleteItem(item);
            ctx.out() << "Deleted " << idText(item.id) << '\n';
            return int(ExitCode::ok);
        },
});

} // namespace
} // namespace chorale::cli
