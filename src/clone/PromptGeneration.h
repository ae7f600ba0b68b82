// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CloneOptions.h"
#include "model/LibraryItem.h"
#include "model/VoiceCharacter.h"

#include <QString>
#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace chorale {

class AudioPlayer;
class DataStore;
class EngineController;

// Typed text to a library take: the engine speaks the prompt in the voice of an emotion's clip,
// the speech is saved as a take from the device "Prompt" titled after the text, and its clone is
// that speech with the chosen effect applied. Shared by the Prompt screen and chorale-cli, which
// each keep their own one-at-a-time rule. Main thread; the effect renders on a background thread.
namespace PromptGeneration {

// A take's title holds at most this many user-perceived characters before the "…".
inline constexpr int titleLength = 72;
inline const QString effectMessage = QStringLiteral("Applying effect…");

// The title of a prompt's take: the text on one line (every line break becomes a space),
// trimmed, and cut after 72 characters (then trimmed again) with "…" appended. Never splits an
// accented letter or an emoji.
QString titleFor(const QString &prompt);

struct Request {
    QString text; // trimmed before use; an empty prompt generates nothing
    VoiceCharacter character;
    CharacterEmotion emotion;
    VoiceLanguage language = VoiceLanguage::english;
    CloneEffect effect = CloneEffect::none;
};

struct Outcome {
    // The new take as it ends up: titled, and with its clone unless `error` says otherwise.
    // Empty when nothing was saved.
    std::optional<LibraryItem> take;
    // The failure's user-readable text. With a take, only the clone failed: the take stays in
    // the library without one and can be cloned from its row.
    std::optional<QString> error;
    // The engine's speech when it could not be saved into the library (the only copy, so it
    // is kept in the data directory's "tmp" folder).
    std::optional<QString> keptSpeech;

    bool succeeded() const { return take && !error; }
};

// Generates one take: stops playback, has the engine speak into "tmp/prompt-<UUID>.wav",
// saves that as a take, titles it, removes the temporary file and attaches the clone (the
// original itself, or its effected copy, whose scratch file is removed too). `saved` is
// called once the take is in the library, before its clone is made. Failures are reported in
// the outcome, never thrown. The shared objects must outlive the call; if one goes away
// (shutdown) the generation stops where it is.
QCoro::Task<Outcome> generate(Request request, DataStore &store, EngineController &engine,
                              AudioPlayer &player,
                              std::function<void(const LibraryItem &)> saved = {});

} // namespace PromptGeneration

} // namespace chorale
