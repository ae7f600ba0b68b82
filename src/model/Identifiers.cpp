// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Identifiers.h"

namespace chorale {

std::optional<QUuid> parseId(QStringView text) {
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != u'-' : !isxdigit(c.toLatin1()) || c.unicode() > 0x7f)
            return std::nullopt;
    }
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != u"00000000-0000-0000-0000-000000000000")
        return std::nullopt;
    return id;
}

bool isPlainFileName(QStringView name) {
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (QChar c : name) {
        if (c == u'/' || c == u'\\' || c.unicode() == 0)
            return false;
    }
    return true;
}

} // namespace chorale
