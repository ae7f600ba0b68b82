// SPDX-License-Identifier: GPL-3.0-or-later
// The clone options: raw values (what preferences store and the engine receives), titles,
// picker order, and the persisted language and mode with their defaults.
#include "model/CloneOptions.h"

#include "model/Preferences.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

template <typename Option>
void expectCases(const QList<Option> &all, const QStringList &raws, const QStringList &titles,
                 std::optional<Option> (*fromRaw)(const QString &)) {
    ASSERT_EQ(all.size(), raws.size());
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_EQ(rawValue(all[i]), raws[i]);
        EXPECT_EQ(title(all[i]), titles[i]);
        EXPECT_EQ(fromRaw(raws[i]), all[i]);
    }
}

TEST(CloneOptions, CasesInPickerOrderWithRawValuesAndTitles) {
    expectCases(allCloneEffects(), {"none", "echo", "robot", "walkieTalkie"},
                {"None", "Echo", "Robot", "Walkie-talkie"}, cloneEffectFromRaw);
    expectCases(allCloneModes(), {"talking", "singing"}, {"Talking", "Singing"}, cloneModeFromRaw);
    expectCases(allVoiceLanguages(),
                {"en", "ar", "zh", "da", "nl", "fi", "fr", "de", "el", "he", "hi", "it",
                 "ja", "ko", "ms", "no", "pl", "pt", "ru", "es", "sw", "sv", "tr"},
                {"English",  "Arabic",  "Chinese", "Danish",    "Dutch",  "Finnish",
                 "French",   "German",  "Greek",   "Hebrew",    "Hindi",  "Italian",
                 "Japanese", "Korean",  "Malay",   "Norwegian", "Polish", "Portuguese",
                 "Russian",  "Spanish", "Swahili", "Swedish",   "Turkish"},
                voiceLanguageFromRaw);
    // English first, the rest alphabetical by title.
    QStringList rest;
    for (const VoiceLanguage language : allVoiceLanguages().mid(1))
        rest << title(language);
    QStringList sorted = rest;
    sorted.sort();
    EXPECT_EQ(rest, sorted);
}

TEST(CloneOptions, RawValuesAreExactAndCaseSensitive) {
    for (const QString &raw : QStringList{"EN", "En", " en", "english", "", "walkie-talkie"}) {
        EXPECT_FALSE(voiceLanguageFromRaw(raw)) << raw.toStdString();
        EXPECT_FALSE(cloneEffectFromRaw(raw)) << raw.toStdString();
    }
    EXPECT_FALSE(cloneEffectFromRaw("WalkieTalkie"));
    EXPECT_FALSE(cloneModeFromRaw("Singing"));
}

TEST(CloneOptions, PreferencesFallBackToEnglishAndTalking) {
    TempDataRoot root;
    EXPECT_EQ(ClonePreferences::voiceLanguage(), VoiceLanguage::english);
    EXPECT_EQ(ClonePreferences::cloneMode(), CloneMode::talking);

    ClonePreferences::setVoiceLanguage(VoiceLanguage::norwegian);
    ClonePreferences::setCloneMode(CloneMode::singing);
    EXPECT_EQ(openPreferences()->value("chl.voiceLanguage").toString(), "no");
    EXPECT_EQ(openPreferences()->value("chl.cloneMode").toString(), "singing");
    EXPECT_EQ(ClonePreferences::voiceLanguage(), VoiceLanguage::norwegian);
    EXPECT_EQ(ClonePreferences::cloneMode(), CloneMode::singing);

    const std::pair<QVariant, QVariant> unreadable[] = {
            {"FR", "Singing"}, {"xx", "humming"}, {42, true}, {"", ""}};
    for (const auto &[language, mode] : unreadable) {
        openPreferences()->setValue("chl.voiceLanguage", language);
        openPreferences()->setValue("chl.cloneMode", mode);
        EXPECT_EQ(ClonePreferences::voiceLanguage(), VoiceLanguage::english);
        EXPECT_EQ(ClonePreferences::cloneMode(), CloneMode::talking);
    }
}

} // namespace
