// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming/TitleSummarizer.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <array>

namespace chorale::TitleSummarizer {

namespace {

// Sounds speech recognition writes down before the first real word.
constexpr std::array fillers{u"um", u"uh", u"er", u"ah", u"hmm", u"mm"};

// Qt's grapheme finder can report a boundary inside a surrogate pair (after a Khmer symbol
// such as U+17F8 it breaks at every code unit): such a position never counts or cuts.
bool splitsPair(const QString &text, qsizetype at) {
    return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() &&
           text[at].isLowSurrogate();
}

// Number of grapheme clusters in `text`.
int characterCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    for (qsizetype at; (at = finder.toNextBoundary()) > 0;) {
        if (!splitsPair(text, at))
            ++count;
    }
    return count;
}

// The first `count` grapheme clusters of `text`.
QString firstCharacters(const QString &text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count;) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        if (splitsPair(text, next))
            continue;
        end = next;
        ++i;
    }
    return text.left(end);
}

QString trimPunctuation(const QString &word) {
    qsizetype begin = 0;
    qsizetype end = word.size();
    while (begin < end && word[begin].isPunct())
        ++begin;
    while (end > begin && word[end - 1].isPunct())
        --end;
    return word.mid(begin, end - begin);
}

bool isFiller(const QString &word) {
    const QString bare = trimPunctuation(word.toLower());
    for (const auto filler : fillers) {
        if (bare == QStringView(filler))
            return true;
    }
    return false;
}

// `text` without white space (but not line breaks) at either end.
QString trimSpaces(const QString &text) {
    auto isSpace = [](QChar c) {
        return c.isSpace() && c != u'\n' && c != u'\r' && c != QChar::LineSeparator &&
               c != QChar::ParagraphSeparator && c != u'\v' && c != u'\f';
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString trimTrailingSpaces(const QString &text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    return text.left(end);
}

} // namespace

std::optional<QString> summarize(const QString &transcript) {
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QString text = transcript;
    text.replace(whiteSpace, QStringLiteral(" "));
    text = text.trimmed();
    if (text.isEmpty())
        return std::nullopt;

    QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    while (!words.isEmpty() && isFiller(words.first()))
        words.removeFirst();
    if (words.isEmpty())
        return std::nullopt;

    QString title = words.mid(0, maxWords).join(u' ');

    // Stop at the first sentence end, unless that leaves a stub like "A.".
    static const QRegularExpression sentenceEnd(QStringLiteral("[.?!]"));
    const qsizetype stop = title.indexOf(sentenceEnd);
    if (stop >= 0) {
        const QString sentence = trimSpaces(title.left(stop + 1));
        if (characterCount(sentence) > 2)
            title = sentence;
    }

    if (characterCount(title) > maxLength)
        title = trimTrailingSpaces(firstCharacters(title, cutLength)) + QStringLiteral("…");

    if (characterCount(title) < 2)
        return std::nullopt;
    const QString first = firstCharacters(title, 1);
    const QString capital = first.toUpper();
    // A letter whose capital is several letters (the ligature "ﬃ" becomes "FFI") stays as it
    // was transcribed, so that the title keeps within its length.
    if (characterCount(capital) != 1)
        return title;
    return capital + title.mid(first.size());
}

} // namespace chorale::TitleSummarizer
