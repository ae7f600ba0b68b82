// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// The rule that turns a speech transcript into a take's title: its first words, without leading
// filler sounds, cut at the first sentence end, at most 8 words and 48 characters. A pure
// function, so it can be checked on its own.
namespace chorale::TitleSummarizer {

inline constexpr int maxWords = 8;
// Longer titles are cut to `cutLength` characters plus "…".
inline constexpr int maxLength = 48;
inline constexpr int cutLength = 45;

// The title for `transcript`, or nothing when too little is left. Lengths count user-perceived
// characters (grapheme clusters), so accents and emoji are never split.
std::optional<QString> summarize(const QString &transcript);

} // namespace chorale::TitleSummarizer
