// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryProxyModel.h"

namespace chorale {

LibraryProxyModel::LibraryProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent) {
    setDynamicSortFilter(true);
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(this, signal, this, &LibraryProxyModel::countChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &LibraryProxyModel::countChanged);
    connect(this, &QAbstractItemModel::layoutChanged, this, &LibraryProxyModel::countChanged);
}

void LibraryProxyModel::setTakes(LibraryTakeModel *takes) {
    m_takes = takes;
    setSourceModel(takes);
    // Always "ascending" by lessThan, which carries each order's own direction.
    QSortFilterProxyModel::sort(0, Qt::AscendingOrder);
}

void LibraryProxyModel::setSort(LibrarySort sort) {
    if (m_sort == sort)
        return;
    m_sort = sort;
    rebuild();
}

void LibraryProxyModel::setCharacterFilter(const std::optional<QUuid> &characterId) {
    if (m_characterFilter == characterId)
        return;
    m_characterFilter = characterId;
    rebuild();
}

void LibraryProxyModel::setQuery(const QString &query) {
    const QString normalized = query.trimmed().toLower();
    if (m_query == normalized)
        return;
    m_query = normalized;
    rebuild();
}

// Redoes the whole mapping (one pass of the filter and one sort) rather than updating it row by
// row: a new search can add or drop thousands of rows in as many runs, which costs several
// times more here and in the view. Views see one layout change and redraw.
void LibraryProxyModel::rebuild() {
    invalidate();
}

const LibraryItem &LibraryProxyModel::itemAt(int row) const {
    return m_takes->rowAt(mapToSource(index(row, 0)).row()).item;
}

bool LibraryProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &) const {
    const LibraryTakeRow &row = m_takes->rowAt(sourceRow);
    if (m_characterFilter && row.item.characterId != m_characterFilter)
        return false;
    if (m_query.isEmpty())
        return true;
    return row.titleKey.contains(m_query) || row.characterKey.contains(m_query) ||
           row.emotionKey.contains(m_query) || row.deviceKey.contains(m_query);
}

// A strict order: equal keys fall back to store order, so every sort is stable over the
// library's newest-first order, whatever order the rows were in before.
bool LibraryProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const {
    const LibraryTakeRow &a = m_takes->rowAt(left.row());
    const LibraryTakeRow &b = m_takes->rowAt(right.row());
    switch (m_sort) {
    case LibrarySort::date:
        if (a.createdMs != b.createdMs)
            return a.createdMs > b.createdMs;
        break;
    case LibrarySort::duration:
        if (a.item.duration != b.item.duration)
            return a.item.duration > b.item.duration;
        break;
    case LibrarySort::character:
        if (a.characterRank != b.characterRank)
            return a.characterRank < b.characterRank;
        break;
    }
    return left.row() < right.row();
}

} // namespace chorale
