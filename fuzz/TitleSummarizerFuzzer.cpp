// SPDX-License-Identifier: GPL-3.0-or-later
// Titles from arbitrary transcripts: at least 2 and at most 48 user-perceived characters, and
// never half of a surrogate pair.
#include "FuzzSupport.h"
#include "naming/TitleSummarizer.h"

#include <QTextBoundaryFinder>

using namespace chorale;

namespace {

// User-perceived characters. Qt's finder can report a boundary inside a surrogate pair (after
// a Khmer symbol), which is not one.
int graphemes(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    for (qsizetype at; (at = finder.toNextBoundary()) > 0;) {
        if (at == text.size() || !text[at].isLowSurrogate() || !text[at - 1].isHighSurrogate())
            ++count;
    }
    return count;
}

bool hasLoneSurrogate(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString transcript =
            QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> title = TitleSummarizer::summarize(transcript);
    if (!title)
        return 0;
    const int length = graphemes(*title);
    FUZZ_CHECK(length >= 2);
    FUZZ_CHECK(length <= TitleSummarizer::maxLength);
    FUZZ_CHECK(!hasLoneSurrogate(*title));
    return 0;
}
