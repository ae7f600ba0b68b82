// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace chorale {

// Upper-case canonical UUID text: the form used for folder names, file names and JSON.
inline QString idText(const QUuid &id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// Reads canonical UUID text (either case, no braces); nothing for anything else.
std::optional<QUuid> parseId(QStringView text);

// True when `name` can safely name a file inside one folder: not empty, not "." or "..", no
// path separator and no NUL. Stored records are checked with this before their names are joined
// to paths, so a hand-edited meta.json can never point the app outside its own folder.
bool isPlainFileName(QStringView name);

} // namespace chorale
