// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppSection.h"
#include "ui/LibraryTakeModel.h"

#include <QSortFilterProxyModel>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace chorale {

// The library list as shown: the takes of one character (or all), those matching the search
// text, in the chosen order. Filtering and sorting read the rows' precomputed keys, so a new
// search over 10 000 takes fits in one frame.
class LibraryProxyModel : public QSortFilterProxyModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit LibraryProxyModel(QObject *parent = nullptr);

    void setTakes(LibraryTakeModel *takes);

    LibrarySort sort() const { return m_sort; }
    void setSort(LibrarySort sort);
    std::optional<QUuid> characterFilter() const { return m_characterFilter; }
    void setCharacterFilter(const std::optional<QUuid> &characterId);
    QString query() const { return m_query; }
    // Matched against title, character, emotion and device, ignoring case and surrounding space.
    void setQuery(const QString &query);

    int count() const { return rowCount(); }
    // The take shown at a row.
    const LibraryItem &itemAt(int row) const;

signals:
    void countChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    void rebuild();

    LibraryTakeModel *m_takes = nullptr;
    LibrarySort m_sort = LibrarySort::date;
    std::optional<QUuid> m_characterFilter;
    QString m_query; // trimmed and lower-cased
};

} // namespace chorale
