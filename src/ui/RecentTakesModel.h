// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/LibraryItem.h"

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace chorale {

class ChoraleApp;
class DataStore;

// The takes saved during this run, newest first, as the rows under the Record screen (recorded
// takes) or the Prompt screen (takes spoken from a prompt): at most eight, each with its clone
// state from the clone queue and the engine, and whether its clone is playing. Main thread.
class RecentTakesModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum class Kind { recorded, prompt };

    static constexpr int limit = 8;
    static inline const QString separator = QStringLiteral("  ·  ");

    enum Role {
        ItemIdRole = Qt::UserRole + 1,
        TitleRole,
        // The voice label and the length: "Ada  ·  Calm  ·  0:03".
        DetailRole,
        HasCloneRole,
        ConvertingRole,
        QueuedRole,
        ConvertMessageRole,
        ConvertProgressRole,
        PlayingCloneRole,
        // A character to clone with exists: the take's own, or else the screen's choice.
        CanCloneRole,
        OriginalPathRole,
        ClonePathRole,
    };

    explicit RecentTakesModel(Kind kind, QObject *parent = nullptr);

    void setApp(ChoraleApp *app);
    // The character the screen has chosen, for takes whose own character is gone.
    void setFallbackCharacterID(const std::optional<QUuid> &id);

    // The rows' takes: the session's takes of this kind, newest first, at most `limit`.
    static QList<LibraryItem> recentTakes(const DataStore &store, Kind kind);

    const QList<LibraryItem> &items() const { return m_items; }
    Q_INVOKABLE int indexOf(const QString &itemId) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    void reload();
    void statusChanged();

    Kind m_kind;
    QPointer<ChoraleApp> m_app;
    std::optional<QUuid> m_fallbackCharacterID;
    QList<LibraryItem> m_items;
};

} // namespace chorale
