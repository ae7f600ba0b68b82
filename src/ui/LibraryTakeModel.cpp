// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryTakeModel.h"

#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "ui/DateTexts.h"

#include <QCollator>
#include <QHash>

#include <algorithm>

namespace chorale {

namespace {
const QString separator = QStringLiteral("  ·  ");
} // namespace

LibraryTakeModel::LibraryTakeModel(QObject *parent)
    : SyncedListModel(parent)
    , m_cloneCheck([](const LibraryItem &item) { return item.hasConverted(); }) {}

QString LibraryTakeModel::detailLine(const LibraryItem &item) {
    return QStringList{item.voiceLabel(), DateTexts::abbreviated(item.createdAt),
                       Formatters::duration(item.duration), item.sourceDevice}
            .join(separator);
}

LibraryTakeRow LibraryTakeModel::makeRow(const LibraryItem &item) const {
    LibraryTakeRow row;
    row.item = item;
    row.hasClone = m_cloneCheck(item);
    row.displayTitle = item.displayTitle();
    row.detailLine = detailLine(item);
    row.titleKey = row.displayTitle.toLower();
    row.characterKey = item.characterName.toLower();
    row.emotionKey = item.emotionName ? item.emotionName->toLower() : QString();
    row.deviceKey = item.sourceDevice.toLower();
    row.createdMs = item.createdAt.toMSecsSinceEpoch();
    return row;
}

void LibraryTakeModel::setItems(const QList<LibraryItem> &items) {
    QHash<QUuid, int> previous;
    previous.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i)
        previous.insert(m_rows[i].item.id, i);

    // Unchanged takes keep their worked-out row; only new and edited ones are redone.
    QList<LibraryTakeRow> next;
    next.reserve(items.size());
    QSet<QUuid> present;
    present.reserve(items.size());
    for (const LibraryItem &item : items) {
        const auto found = previous.constFind(item.id);
        if (found != previous.cend() && m_rows[*found].item == item)
            next << m_rows[*found];
        else
            next << makeRow(item);
        present.insert(item.id);
    }

    // Character ranks: the distinct names in collation order. The order of two names never
    // depends on the others, so ranks of existing rows keep their relative order.
    QStringList names;
    {
        QSet<QString> seen;
        for (const LibraryTakeRow &row : next) {
            if (!seen.contains(row.item.characterName)) {
                seen.insert(row.item.characterName);
                names << row.item.characterName;
            }
        }
    }
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        return collator.compare(a, b) < 0;
    });
    QHash<QString, int> rank;
    for (int i = 0, r = 0; i < names.size(); ++i) {
        if (i > 0 && collator.compare(names[i - 1], names[i]) != 0)
            ++r;
        rank.insert(names[i], r);
    }

    const qsizetype selectedBefore = m_selection.size();
    for (auto it = m_selection.begin(); it != m_selection.end();) {
        if (present.contains(*it))
            ++it;
        else
            it = m_selection.erase(it);
    }
    for (LibraryTakeRow &row : next) {
        row.characterRank = rank.value(row.item.characterName);
        row.selected = m_selection.contains(row.item.id);
    }

    syncRows(
            m_rows, std::move(next), [](const LibraryTakeRow &row) { return row.item.id; },
            [](const LibraryTakeRow &was, const LibraryTakeRow &now) {
                QList<int> roles;
                if (was.displayTitle != now.displayTitle)
                    roles << DisplayTitleRole;
                if (was.detailLine != now.detailLine)
                    roles << DetailLineRole;
                if (was.hasClone != now.hasClone)
                    roles << HasCloneRole;
                if (was.item.sourceDevice != now.item.sourceDevice)
                    roles << ShowOriginalRole;
                if (was.selected != now.selected)
                    roles << SelectedRole;
                // Sorting and filtering read the row itself, so a change there must be signalled
                // even when nothing shown changed.
                if (roles.isEmpty() &&
                    (was.createdMs != now.createdMs || was.item.duration != now.item.duration ||
                     was.characterRank != now.characterRank ||
                     was.item.characterId != now.item.characterId))
                    roles << ItemIdRole;
                return roles;
            });
    if (selectedBefore != m_selection.size())
        emit selectionChanged();
}

void LibraryTakeModel::setSelected(const QUuid &id, bool selected) {
    const bool has = m_selection.contains(id);
    if (has == selected)
        return;
    int row = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].item.id == id) {
            row = i;
            break;
        }
    }
    if (row < 0)
        return;
    if (selected)
        m_selection.insert(id);
    else
        m_selection.remove(id);
    m_rows[row].selected = selected;
    emit dataChanged(index(row), index(row), {SelectedRole});
    emit selectionChanged();
}

void LibraryTakeModel::clearSelection() {
    if (m_selection.isEmpty())
        return;
    m_selection.clear();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].selected) {
            m_rows[i].selected = false;
            emit dataChanged(index(i), index(i), {SelectedRole});
        }
    }
    emit selectionChanged();
}

int LibraryTakeModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant LibraryTakeModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const LibraryTakeRow &row = m_rows[index.row()];
    switch (role) {
    case ItemIdRole:
        return idText(row.item.id);
    case Qt::DisplayRole:
    case DisplayTitleRole:
        return row.displayTitle;
    case DetailLineRole:
        return row.detailLine;
    case HasCloneRole:
        return row.hasClone;
    case ShowOriginalRole:
        return !row.item.isPrompt();
    case OriginalPathRole:
        return DataPaths::originalFile(row.item.id);
    case ClonePathRole:
        return DataPaths::convertedFile(row.item.id);
    case SelectedRole:
        return row.selected;
    }
    return {};
}

QHash<int, QByteArray> LibraryTakeModel::roleNames() const {
    return {{ItemIdRole, "itemId"},
            {DisplayTitleRole, "displayTitle"},
            {DetailLineRole, "detailLine"},
            {HasCloneRole, "hasClone"},
            {ShowOriginalRole, "showOriginal"},
            {OriginalPathRole, "originalPath"},
            {ClonePathRole, "clonePath"},
            {SelectedRole, "selected"}};
}

} // namespace chorale
