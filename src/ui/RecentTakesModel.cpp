// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RecentTakesModel.h"

#include "app/ChoraleApp.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"

namespace chorale {

namespace {
QList<QUuid> idsOf(const QList<LibraryItem> &items) {
    QList<QUuid> ids;
    for (const LibraryItem &item : items)
        ids << item.id;
    return ids;
}
} // namespace

RecentTakesModel::RecentTakesModel(Kind kind, QObject *parent)
    : QAbstractListModel(parent)
    , m_kind(kind) {}

void RecentTakesModel::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app) {
        for (QObject *source : std::initializer_list<QObject *>{m_app->store(), m_app->cloneQueue(),
                                                                m_app->engine(), m_app->player()})
            disconnect(source, nullptr, this, nullptr);
    }
    m_app = app;
    if (m_app) {
        DataStore *store = m_app->store();
        connect(store, &DataStore::itemsChanged, this, &RecentTakesModel::reload);
        connect(store, &DataStore::sessionItemIDsChanged, this, &RecentTakesModel::reload);
        connect(store, &DataStore::charactersChanged, this, &RecentTakesModel::statusChanged);
        CloneQueueController *queue = m_app->cloneQueue();
        for (auto signal :
             {&CloneQueueController::cloningIDChanged, &CloneQueueController::queueChanged,
              &CloneQueueController::preparingCleanupChanged,
              &CloneQueueController::applyingEffectChanged})
            connect(queue, signal, this, &RecentTakesModel::statusChanged);
        connect(m_app->engine(), &EngineController::convertMessageChanged, this,
                &RecentTakesModel::statusChanged);
        connect(m_app->engine(), &EngineController::convertProgressChanged, this,
                &RecentTakesModel::statusChanged);
        connect(m_app->player(), &AudioPlayer::playingURLChanged, this,
                &RecentTakesModel::statusChanged);
    }
    reload();
}

void RecentTakesModel::setFallbackCharacterID(const std::optional<QUuid> &id) {
    if (id == m_fallbackCharacterID)
        return;
    m_fallbackCharacterID = id;
    statusChanged();
}

QList<LibraryItem> RecentTakesModel::recentTakes(const DataStore &store, Kind kind) {
    QList<LibraryItem> takes;
    for (const QUuid &id : store.sessionItemIDs()) {
        const std::optional<LibraryItem> item = store.item(id);
        if (!item || item->isPrompt() != (kind == Kind::prompt))
            continue;
        takes << *item;
        if (takes.size() == limit)
            break;
    }
    return takes;
}

int RecentTakesModel::indexOf(const QString &itemId) const {
    const auto id = parseId(itemId);
    for (qsizetype i = 0; id && i < m_items.size(); ++i) {
        if (m_items[i].id == *id)
            return int(i);
    }
    return -1;
}

void RecentTakesModel::reload() {
    const QList<LibraryItem> fresh =
            m_app ? recentTakes(*m_app->store(), m_kind) : QList<LibraryItem>();
    const QList<QUuid> before = idsOf(m_items);
    const QList<QUuid> after = idsOf(fresh);
    if (before == after) {
        m_items = fresh;
        statusChanged();
        return;
    }
    // The usual change is one new take at the top (and the oldest dropping off the end): insert
    // it, so the list keeps its place instead of being rebuilt.
    const bool newAtTop = !after.isEmpty() && !before.contains(after.first()) &&
                          after.mid(1) == before.mid(0, after.size() - 1);
    if (newAtTop) {
        if (before.size() >= after.size()) {
            beginRemoveRows({}, int(after.size()) - 1, int(before.size()) - 1);
            m_items = m_items.mid(0, after.size() - 1);
            endRemoveRows();
        }
        beginInsertRows({}, 0, 0);
        m_items.prepend(fresh.first());
        endInsertRows();
        m_items = fresh;
        statusChanged();
    } else {
        beginResetModel();
        m_items = fresh;
        endResetModel();
    }
    if (before.size() != after.size())
        emit countChanged();
}

void RecentTakesModel::statusChanged() {
    if (!m_items.isEmpty())
        emit dataChanged(index(0), index(int(m_items.size()) - 1));
}

int RecentTakesModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant RecentTakesModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        !m_app)
        return {};
    const LibraryItem &item = m_items[index.row()];
    const CloneQueueController &queue = *m_app->cloneQueue();
    switch (role) {
    case ItemIdRole:
        return idText(item.id);
    case Qt::DisplayRole:
    case TitleRole:
        return item.displayTitle();
    case DetailRole:
        return item.voiceLabel() + separator + Formatters::duration(item.duration);
    case HasCloneRole:
        return item.hasConverted();
    case ConvertingRole:
        return queue.cloningID() == item.id;
    case QueuedRole:
        return queue.queue().contains(item.id);
    case ConvertMessageRole:
        return queue.message(item.id, *m_app->engine());
    case ConvertProgressRole:
        return queue.progress(item.id, *m_app->engine());
    case PlayingCloneRole:
        return m_app->player()->isPlaying(DataPaths::convertedFile(item.id));
    case CanCloneRole:
        return m_app->store()->character(item.characterId).has_value() ||
               m_app->store()->character(m_fallbackCharacterID).has_value();
    case OriginalPathRole:
        return DataPaths::originalFile(item.id);
    case ClonePathRole:
        return DataPaths::convertedFile(item.id);
    }
    return {};
}

QHash<int, QByteArray> RecentTakesModel::roleNames() const {
    return {{ItemIdRole, "itemId"},
            {TitleRole, "title"},
            {DetailRole, "detail"},
            {HasCloneRole, "hasClone"},
            {ConvertingRole, "converting"},
            {QueuedRole, "queued"},
            {ConvertMessageRole, "convertMessage"},
            {ConvertProgressRole, "convertProgress"},
            {PlayingCloneRole, "playingClone"},
            {CanCloneRole, "canClone"},
            {OriginalPathRole, "originalPath"},
            {ClonePathRole, "clonePath"}};
}

} // namespace chorale
