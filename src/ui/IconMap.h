// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// Maps the symbol names the screens use ("mic.fill", "play.fill", ...) onto the freedesktop
// icon theme installed with the app (Breeze). One table, so every icon is chosen in one place.
class IconMap : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Icons)
    QML_SINGLETON

public:
    explicit IconMap(QObject *parent = nullptr);

    // The theme icon name for a symbol; unknown symbols are passed through unchanged.
    Q_INVOKABLE static QString name(const QString &symbol);
};

} // namespace chorale
