// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace chorale {

// The user's choices for a clone. Each case has a stable raw value (what preferences store and
// what the engine receives) and a title for pickers; the lists are in picker order.

// Applied to a clone after conversion.
enum class CloneEffect { none, echo, robot, walkieTalkie };

const QList<CloneEffect> &allCloneEffects();
QString rawValue(CloneEffect effect);
QString title(CloneEffect effect);
std::optional<CloneEffect> cloneEffectFromRaw(const QString &raw);

// How a recorded take is converted: singing keeps the melody in key.
enum class CloneMode { talking, singing };

const QList<CloneMode> &allCloneModes();
QString rawValue(CloneMode mode);
QString title(CloneMode mode);
std::optional<CloneMode> cloneModeFromRaw(const QString &raw);

// Language of typed prompts and of automatic take titles; the raw value is the ISO 639-1 code.
enum class VoiceLanguage {
    english,
    arabic,
    chinese,
    danish,
    dutch,
    finnish,
    french,
    german,
    greek,
    hebrew,
    hindi,
    italian,
    japanese,
    korean,
    malay,
    norwegian,
    polish,
    portuguese,
    russian,
    spanish,
    swahili,
    swedish,
    turkish,
};

// English first, then the others alphabetically by title.
const QList<VoiceLanguage> &allVoiceLanguages();
QString rawValue(VoiceLanguage language);
QString title(VoiceLanguage language);
// Case-sensitive: "EN" is not a language.
std::optional<VoiceLanguage> voiceLanguageFromRaw(const QString &raw);

// The persisted picker values. Unknown or missing stored values read as the defaults
// (English, talking).
namespace ClonePreferences {

inline const QString voiceLanguageKey = QStringLiteral("chl.voiceLanguage");
inline const QString cloneModeKey = QStringLiteral("chl.cloneMode");

VoiceLanguage voiceLanguage();
void setVoiceLanguage(VoiceLanguage language);
CloneMode cloneMode();
void setCloneMode(CloneMode mode);

} // namespace ClonePreferences

} // namespace chorale
