// SPDX-License-Identifier: GPL-3.0-or-later
// The title rule: filler words, the 8-word and 48-character limits, the sentence cut and the
// cases where no title comes out.
#include "naming/TitleSummarizer.h"

#include <gtest/gtest.h>

#include <optional>

using chorale::TitleSummarizer::summarize;

namespace {

struct Case {
    const char *name;
    QString transcript;
    std::optional<QString> title;
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}

class TitleRule : public ::testing::TestWithParam<Case> {};

TEST_P(TitleRule, TurnsTranscriptIntoTitle) {
    const Case &c = GetParam();
    const std::optional<QString> title = summarize(c.transcript);
    ASSERT_EQ(title.has_value(), c.title.has_value()) << title.value_or("<none>").toStdString();
    if (title) {
        EXPECT_EQ(title->toStdString(), c.title->toStdString());
    }
}

const QString emojiWords = QStringLiteral("👍👍👍👍👍 👍👍👍👍👍 👍👍👍👍👍 👍👍👍👍👍 👍👍👍👍👍 👍👍👍👍👍 👍👍👍👍👍 "
                                          "👍👍👍👍👍");

INSTANTIATE_TEST_SUITE_P(
        Transcripts, TitleRule,
        ::testing::Values(
                // The worked examples.
                Case{"leading_filler_and_eight_words",
                     " Um, so this is the new intro for the podcast episode about gardens.",
                     "So this is the new intro for the"},
                Case{"first_sentence", "hello there. how are you?", "Hello there."},
                Case{"fillers_only", "Uh. Mm.", std::nullopt},
                Case{"two_character_sentence_is_not_cut", "A. Test of the microphone.",
                     "A. Test of the microphone."},
                Case{"cut_at_first_period_even_in_a_number", "It costs 3.5 dollars.",
                     "It costs 3."},
                // Fillers: only the leading ones go, whatever their case and punctuation.
                Case{"several_leading_fillers", "uh, um, okay so let's try the second verse",
                     "Okay so let's try the second verse"},
                Case{"all_filler_words", "Er... AH, hmm; mm uh! um? Ready", "Ready"},
                Case{"filler_later_stays", "so um yes", "So um yes"},
                Case{"filler_inside_a_word_stays", "umbrella weather", "Umbrella weather"},
                // Length limits.
                Case{"twelve_words_keep_eight",
                     "one two three four five six seven eight nine ten eleven twelve",
                     "One two three four five six seven eight"},
                Case{"sixty_characters_cut_to_45_and_ellipsis",
                     "Several elephants marched through quiet village streets today again",
                     "Several elephants marched through quiet villa…"},
                Case{"cut_ending_in_a_space_is_trimmed",
                     "Several elephants marched slowly through the village streets again",
                     "Several elephants marched slowly through the…"},
                Case{"limit_counts_characters_not_code_units", emojiWords, emojiWords},
                Case{"exactly_48_characters_stay",
                     "abcdefghij abcdefghij abcdefghij abcdefghij abcd",
                     "Abcdefghij abcdefghij abcdefghij abcdefghij abcd"},
                // White space.
                Case{"white_space_runs_become_one_space", "  hello\n\n  world\t again \r\n",
                     "Hello world again"},
                Case{"unicode_space", QStringLiteral("fine\u00a0\u2003day"), "Fine day"},
                // Too little left.
                Case{"empty", "", std::nullopt}, Case{"blank", " \n\t ", std::nullopt},
                Case{"one_character", "I", std::nullopt},
                Case{"one_character_after_filler", "uh, I", std::nullopt},
                Case{"two_characters", "ok", "Ok"},
                // Capitalisation: only the first character changes.
                Case{"rest_stays_as_transcribed", "iPhone photos of NASA", "IPhone photos of NASA"},
                Case{"accented_first_letter", QStringLiteral("e\u0301cole du soir"),
                     QStringLiteral("E\u0301cole du soir")},
                Case{"question_cut", "Uh, what? Again", "What?"},
                // A capital of several letters (the ligature "ﬃ" is "FFI") would take a title
                // of 48 characters past the limit: that first letter stays as transcribed.
                // Qt's grapheme finder breaks inside surrogate pairs after a Khmer symbol: the
                // cut still keeps each emoji whole (45 characters and "…").
                Case{"cut_never_splits_a_surrogate_pair",
                     QStringLiteral("\u17f8") + QStringLiteral("\U0001F399").repeated(60),
                     QStringLiteral("\u17f8") + QStringLiteral("\U0001F399").repeated(44) +
                             QStringLiteral("…")},
                Case{"capital_of_several_letters_keeps_the_limit",
                     QStringLiteral("\ufb03 abcdefghij abcdefghij abcdefghij abcdefghij ab"),
                     QStringLiteral("\ufb03 abcdefghij abcdefghij abcdefghij abcdefghij ab")}),
        [](const ::testing::TestParamInfo<Case> &param) { return std::string(param.param.name); });

} // namespace
