// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DateTexts.h"

#include <QRegularExpression>

namespace chorale::DateTexts {

namespace {
// The locale's long date format without the weekday and with abbreviated month names.
QString abbreviatedDateFormat(const QLocale &locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("[,\\s]*dddd[,\\s]*"));
    format.replace(weekday, QStringLiteral(" "));
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format.trimmed();
}
} // namespace

QString abbreviated(const QDateTime &when, const QLocale &locale) {
    const QDateTime local = when.toLocalTime();
    return locale.toString(local.date(), abbreviatedDateFormat(locale)) + u' ' +
           locale.toString(local.time(), QLocale::ShortFormat);
}

QString fileStamp(const QDateTime &when, const QLocale &locale) {
    QString stamp = locale.toString(when.toLocalTime(), QLocale::ShortFormat);
    for (QChar &c : stamp) {
        if (c == u'/' || c == u':')
            c = u'-';
        else if (c.isSpace())
            c = u'_';
    }
    return stamp;
}

QString fileNamePart(QString name) {
    name.replace(u'/', u'-');
    name.replace(u':', u'-');
    return name;
}

} // namespace chorale::DateTexts
