// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/KeyedListModel.h"

namespace chorale {

KeyedListModel::KeyedListModel(QStringList roles, QString keyRole, QObject *parent)
    : SyncedListModel(parent)
    , m_roles(std::move(roles))
    , m_keyRole(std::move(keyRole)) {}

void KeyedListModel::setRows(QList<QVariantMap> rows) {
    syncRows(
            m_rows, std::move(rows),
            [this](const QVariantMap &row) { return row.value(m_keyRole).toString(); },
            [this](const QVariantMap &was, const QVariantMap &now) {
                QList<int> roles;
                for (int r = 0; r < m_roles.size(); ++r) {
                    if (was.value(m_roles[r]) != now.value(m_roles[r]))
                        roles << Qt::UserRole + 1 + r;
                }
                return roles;
            });
}

int KeyedListModel::indexOf(const QVariant &key) const {
    const QString text = key.toString();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].value(m_keyRole).toString() == text)
            return i;
    }
    return -1;
}

int KeyedListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant KeyedListModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int r = role - Qt::UserRole - 1;
    if (r < 0 || r >= m_roles.size())
        return {};
    return m_rows[index.row()].value(m_roles[r]);
}

QHash<int, QByteArray> KeyedListModel::roleNames() const {
    QHash<int, QByteArray> names;
    for (int r = 0; r < m_roles.size(); ++r)
        names.insert(Qt::UserRole + 1 + r, m_roles[r].toUtf8());
    return names;
}

QVariantMap KeyedListModel::get(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row] : QVariantMap();
}

} // namespace chorale
