// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CloneOptions.h"

#include "model/Preferences.h"

#include <array>

namespace chorale {

namespace {

template <typename Option>
struct Case {
    Option option;
    const char *raw;
    const char *title;
};

constexpr std::array<Case<CloneEffect>, 4> effectCases{{
        {CloneEffect::none, "none", "None"},
        {CloneEffect::echo, "echo", "Echo"},
        {CloneEffect::robot, "robot", "Robot"},
        {CloneEffect::walkieTalkie, "walkieTalkie", "Walkie-talkie"},
}};

constexpr std::array<Case<CloneMode>, 2> modeCases{{
        {CloneMode::talking, "talking", "Talking"},
        {CloneMode::singing, "singing", "Singing"},
}};

constexpr std::array<Case<VoiceLanguage>, 23> languageCases{{
        {VoiceLanguage::english, "en", "English"},
        {VoiceLanguage::arabic, "ar", "Arabic"},
        {VoiceLanguage::chinese, "zh", "Chinese"},
        {VoiceLanguage::danish, "da", "Danish"},
        {VoiceLanguage::dutch, "nl", "Dutch"},
        {VoiceLanguage::finnish, "fi", "Finnish"},
        {VoiceLanguage::french, "fr", "French"},
        {VoiceLanguage::german, "de", "German"},
        {VoiceLanguage::greek, "el", "Greek"},
        {VoiceLanguage::hebrew, "he", "Hebrew"},
        {VoiceLanguage::hindi, "hi", "Hindi"},
        {VoiceLanguage::italian, "it", "Italian"},
        {VoiceLanguage::japanese, "ja", "Japanese"},
        {VoiceLanguage::korean, "ko", "Korean"},
        {VoiceLanguage::malay, "ms", "Malay"},
        {VoiceLanguage::norwegian, "no", "Norwegian"},
        {VoiceLanguage::polish, "pl", "Polish"},
        {VoiceLanguage::portuguese, "pt", "Portuguese"},
        {VoiceLanguage::russian, "ru", "Russian"},
        {VoiceLanguage::spanish, "es", "Spanish"},
        {VoiceLanguage::swahili, "sw", "Swahili"},
        {VoiceLanguage::swedish, "sv", "Swedish"},
        {VoiceLanguage::turkish, "tr", "Turkish"},
}};

template <typename Option, std::size_t N>
const Case<Option> &caseOf(const std::array<Case<Option>, N> &cases, Option option) {
    for (const auto &c : cases) {
        if (c.option == option)
            return c;
    }
    return cases.front(); // unreachable for valid enum values
}

template <typename Option, std::size_t N>
QList<Option> listOf(const std::array<Case<Option>, N> &cases) {
    QList<Option> list;
    for (const auto &c : cases)
        list << c.option;
    return list;
}

template <typename Option, std::size_t N>
std::optional<Option> fromRaw(const std::array<Case<Option>, N> &cases, const QString &raw) {
    for (const auto &c : cases) {
        if (raw == QLatin1String(c.raw))
            return c.option;
    }
    return std::nullopt;
}

} // namespace

const QList<CloneEffect> &allCloneEffects() {
    static const QList<CloneEffect> list = listOf(effectCases);
    return list;
}
QString rawValue(CloneEffect effect) {
    return QString::fromLatin1(caseOf(effectCases, effect).raw);
}
QString title(CloneEffect effect) {
    return QString::fromLatin1(caseOf(effectCases, effect).title);
}
std::optional<CloneEffect> cloneEffectFromRaw(const QString &raw) {
    return fromRaw(effectCases, raw);
}

const QList<CloneMode> &allCloneModes() {
    static const QList<CloneMode> list = listOf(modeCases);
    return list;
}
QString rawValue(CloneMode mode) {
    return QString::fromLatin1(caseOf(modeCases, mode).raw);
}
QString title(CloneMode mode) {
    return QString::fromLatin1(caseOf(modeCases, mode).title);
}
std::optional<CloneMode> cloneModeFromRaw(const QString &raw) {
    return fromRaw(modeCases, raw);
}

const QList<VoiceLanguage> &allVoiceLanguages() {
    static const QList<VoiceLanguage> list = listOf(languageCases);
    return list;
}
QString rawValue(VoiceLanguage language) {
    return QString::fromLatin1(caseOf(languageCases, language).raw);
}
QString title(VoiceLanguage language) {
    return QString::fromLatin1(caseOf(languageCases, language).title);
}
std::optional<VoiceLanguage> voiceLanguageFromRaw(const QString &raw) {
    return fromRaw(languageCases, raw);
}

namespace ClonePreferences {

VoiceLanguage voiceLanguage() {
    const QVariant stored = openPreferences()->value(voiceLanguageKey);
    return voiceLanguageFromRaw(stored.toString()).value_or(VoiceLanguage::english);
}

void setVoiceLanguage(VoiceLanguage language) {
    openPreferences()->setValue(voiceLanguageKey, rawValue(language));
}

CloneMode cloneMode() {
    const QVariant stored = openPreferences()->value(cloneModeKey);
    return cloneModeFromRaw(stored.toString()).value_or(CloneMode::talking);
}

void setCloneMode(CloneMode mode) {
    openPreferences()->setValue(cloneModeKey, rawValue(mode));
}

} // namespace ClonePreferences

} // namespace chorale
