// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace chorale {

// The six sections of the main window, in sidebar order.
enum class AppSection { characters, record, prompt, library, dialogues, settings };

const QList<AppSection> &allAppSections();
QString rawValue(AppSection section);
QString title(AppSection section);
// Symbol name of the section's icon; the UI maps it onto the installed icon theme.
QString iconName(AppSection section);
std::optional<AppSection> appSectionFromRaw(const QString &raw);

// How the library list is ordered.
enum class LibrarySort { date, duration, character };

const QList<LibrarySort> &allLibrarySorts();
QString rawValue(LibrarySort sort);
QString label(LibrarySort sort);
std::optional<LibrarySort> librarySortFromRaw(const QString &raw);

} // namespace chorale
