// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates as the screens show them and as they appear in proposed file names, in the user's
// locale (QLocale(), the system locale unless a default was set) and local time.
namespace chorale::DateTexts {

// An abbreviated date with a short time: "Mar 4, 2026 9:05 AM" in US English.
QString abbreviated(const QDateTime &when, const QLocale &locale = QLocale());

// A numeric date with a short time made safe for a file name: "/" and ":" become "-" and spaces
// "_" ("3-4-26_9-05_AM" in US English).
QString fileStamp(const QDateTime &when, const QLocale &locale = QLocale());

// `name` with "/" and ":" replaced by "-", for use inside a file name.
QString fileNamePart(QString name);

} // namespace chorale::DateTexts
