// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/LibraryItem.h"
#include "ui/KeyedListModel.h"

#include <QSet>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <functional>

namespace chorale {

// One take as the library list needs it: the record plus what filtering, sorting and the row
// show, worked out once when the take changes rather than on every keystroke.
struct LibraryTakeRow {
    LibraryItem item;
    bool hasClone = false;
    bool selected = false;
    QString displayTitle;
    QString detailLine;
    // Lower-cased search fields.
    QString titleKey;
    QString characterKey;
    QString emotionKey;
    QString deviceKey;
    qint64 createdMs = 0;
    // Position of the character name in locale-aware, case-insensitive order.
    int characterRank = 0;
};

// Every take of the library in store order (newest first), with the ticked selection. The
// Library screen's proxy filters and sorts it. Follows the store with row-level change signals.
class LibraryTakeModel : public SyncedListModel {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role {
        ItemIdRole = Qt::UserRole + 1,
        DisplayTitleRole,
        DetailLineRole,
        HasCloneRole,
        ShowOriginalRole,
        OriginalPathRole,
        ClonePathRole,
        SelectedRole,
    };

    // Whether a take has a clone file; the real check asks the file system.
    using CloneCheck = std::function<bool(const LibraryItem &)>;

    explicit LibraryTakeModel(QObject *parent = nullptr);

    void setItems(const QList<LibraryItem> &items);
    void setCloneCheck(CloneCheck check) { m_cloneCheck = std::move(check); }

    const LibraryTakeRow &rowAt(int row) const { return m_rows[row]; }
    const QList<LibraryTakeRow> &rows() const { return m_rows; }

    // The ticked takes. Ids of takes that leave the library are dropped.
    const QSet<QUuid> &selection() const { return m_selection; }
    void setSelected(const QUuid &id, bool selected);
    void clearSelection();

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The row text under a take's title: voice, date, length and device.
    static QString detailLine(const LibraryItem &item);

signals:
    void selectionChanged();

private:
    LibraryTakeRow makeRow(const LibraryItem &item) const;

    QList<LibraryTakeRow> m_rows;
    QSet<QUuid> m_selection;
    CloneCheck m_cloneCheck;
};

} // namespace chorale
