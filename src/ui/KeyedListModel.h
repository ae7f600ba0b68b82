// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <functional>

namespace chorale {

// A list model that follows a list of records identified by a key, with the smallest change
// signals it can: rows that appear are inserted, rows that go are removed and rows whose data
// changed get dataChanged for the changed roles only. Views keep their delegates, scroll
// position and any gesture running inside a delegate. Only when surviving rows change their
// relative order is the model reset.
class SyncedListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    using QAbstractListModel::QAbstractListModel;

signals:
    void countChanged();

protected:
    // Replaces `rows` by `next`. `key` names a row; `changedRoles` lists the roles whose data
    // differ between two rows with the same key (empty when none does).
    template <typename Row, typename Key, typename ChangedRoles>
    void syncRows(QList<Row> &rows, QList<Row> next, Key key, ChangedRoles changedRoles);
};

// Rows of named values (QVariantMap) for QML; the roles are the given names, and the value of
// `keyRole` identifies a row. For the short lists of the screens: dialogues, tracks, clips.
class KeyedListModel : public SyncedListModel {
    Q_OBJECT
    QML_ANONYMOUS

public:
    KeyedListModel(QStringList roles, QString keyRole, QObject *parent = nullptr);

    void setRows(QList<QVariantMap> rows);
    const QList<QVariantMap> &rows() const { return m_rows; }
    // The row with this key, or -1.
    int indexOf(const QVariant &key) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    // A row's values by role name, for QML code outside a delegate.
    Q_INVOKABLE QVariantMap get(int row) const;

private:
    QStringList m_roles;
    QString m_keyRole;
    QList<QVariantMap> m_rows;
};

template <typename Row, typename Key, typename ChangedRoles>
void SyncedListModel::syncRows(QList<Row> &rows, QList<Row> next, Key key,
                               ChangedRoles changedRoles) {
    const int before = int(rows.size());
    using K = decltype(key(next.first()));
    QHash<K, int> nextIndex;
    nextIndex.reserve(next.size());
    for (int i = 0; i < next.size(); ++i)
        nextIndex.insert(key(next[i]), i);
    QHash<K, int> oldIndex;
    oldIndex.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        oldIndex.insert(key(rows[i]), i);

    // Survivors must keep their relative order; otherwise start over.
    int lastPosition = -1;
    bool ordered = nextIndex.size() == next.size() && oldIndex.size() == rows.size();
    for (int i = 0; ordered && i < rows.size(); ++i) {
        const auto found = nextIndex.constFind(key(rows[i]));
        if (found == nextIndex.cend())
            continue;
        ordered = *found > lastPosition;
        lastPosition = *found;
    }
    if (!ordered) {
        beginResetModel();
        rows = std::move(next);
        endResetModel();
        if (before != rows.size())
            emit countChanged();
        return;
    }

    // Removals, from the end, in contiguous runs.
    for (int i = int(rows.size()) - 1; i >= 0;) {
        if (nextIndex.contains(key(rows[i]))) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && !nextIndex.contains(key(rows[first - 1])))
            --first;
        beginRemoveRows({}, first, i);
        rows.remove(first, i - first + 1);
        endRemoveRows();
        i = first - 1;
    }
    // Insertions, from the start, in contiguous runs; then the changed data of survivors.
    for (int i = 0; i < next.size();) {
        if (i < rows.size() && key(rows[i]) == key(next[i])) {
            const QList<int> roles = changedRoles(rows[i], next[i]);
            if (!roles.isEmpty()) {
                rows[i] = next[i];
                emit dataChanged(index(i), index(i), roles);
            }
            ++i;
            continue;
        }
        int last = i;
        while (last + 1 < next.size() && !oldIndex.contains(key(next[last + 1])))
            ++last;
        beginInsertRows({}, i, last);
        for (int j = i; j <= last; ++j)
            rows.insert(j, next[j]);
        endInsertRows();
        i = last + 1;
    }
    if (before != rows.size())
        emit countChanged();
}

} // namespace chorale
