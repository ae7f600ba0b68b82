// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LibraryViewModel.h"

#include "audio/AudioPlayer.h"
#include "dialogue/DialogueMixer.h"
#include "model/AtomicFile.h"
#include "model/Background.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "naming/RecordingNamer.h"
#include "store/AudioFileTools.h"
#include "store/DataStore.h"
#include "ui/DateTexts.h"
#include "ui/FileReveal.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace chorale {

namespace {
QString withWavExtension(const QString &path) {
    return path.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)
                   ? path
                   : path + QStringLiteral(".wav");
}
} // namespace

LibraryViewModel::LibraryViewModel(QObject *parent)
    : QObject(parent) {
    m_proxy.setTakes(&m_takes);
    connect(&m_takes, &LibraryTakeModel::selectionChanged, this,
            &LibraryViewModel::selectionChanged);
    // Clones finished meanwhile change the cloned count of the selection.
    connect(&m_takes, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.contains(LibraryTakeModel::HasCloneRole))
                    emit selectionChanged();
            });
    connect(&m_proxy, &LibraryProxyModel::countChanged, this,
            &LibraryViewModel::refreshContentState);
}

void LibraryViewModel::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app) {
        disconnect(m_app->store(), nullptr, this, nullptr);
        disconnect(m_app->player(), nullptr, this, nullptr);
    }
    m_app = app;
    if (m_app) {
        connect(m_app->store(), &DataStore::itemsChanged, this, &LibraryViewModel::reload);
        connect(m_app->store(), &DataStore::charactersChanged, this,
                &LibraryViewModel::characterOptionsChanged);
        connect(m_app->player(), &AudioPlayer::playingURLChanged, this,
                &LibraryViewModel::playingPathChanged);
    }
    reload();
    emit appChanged();
    emit characterOptionsChanged();
    emit playingPathChanged();
}

void LibraryViewModel::reload() {
    m_takes.setItems(m_app ? m_app->store()->items() : QList<LibraryItem>());
    refreshContentState();
}

void LibraryViewModel::setQuery(const QString &query) {
    if (m_query == query)
        return;
    m_query = query;
    m_proxy.setQuery(query);
    emit queryChanged();
}

QString LibraryViewModel::characterFilter() const {
    const auto id = m_proxy.characterFilter();
    return id ? idText(*id) : QString();
}

void LibraryViewModel::setCharacterFilter(const QString &characterId) {
    const auto id = parseId(characterId);
    if (id == m_proxy.characterFilter())
        return;
    m_proxy.setCharacterFilter(id);
    emit characterFilterChanged();
}

QVariantList LibraryViewModel::characterOptions() const {
    QVariantList options{QVariantMap{{QStringLiteral("id"), QString()},
                                     {QStringLiteral("name"), QStringLiteral("All characters")}}};
    if (m_app) {
        for (const VoiceCharacter &c : m_app->store()->characters())
            options << QVariantMap{{QStringLiteral("id"), idText(c.id)},
                                   {QStringLiteral("name"), c.name}};
    }
    return options;
}

void LibraryViewModel::setSort(const QString &raw) {
    const auto sort = librarySortFromRaw(raw);
    if (!sort || *sort == m_proxy.sort())
        return;
    m_proxy.setSort(*sort);
    emit sortChanged();
}

QVariantList LibraryViewModel::sortOptions() {
    QVariantList options;
    for (const LibrarySort sort : allLibrarySorts())
        options << QVariantMap{{QStringLiteral("raw"), rawValue(sort)},
                               {QStringLiteral("label"), label(sort)}};
    return options;
}

QString LibraryViewModel::contentState() const {
    return m_contentState;
}

void LibraryViewModel::refreshContentState() {
    const QString state = m_takes.rowCount() == 0 ? QStringLiteral("empty")
                          : m_proxy.count() == 0  ? QStringLiteral("noMatches")
                                                  : QStringLiteral("list");
    if (state == m_contentState)
        return;
    m_contentState = state;
    emit contentStateChanged();
}

int LibraryViewModel::selectedClonedCount() const {
    int count = 0;
    for (const LibraryTakeRow &row : m_takes.rows()) {
        if (row.selected && row.hasClone)
            ++count;
    }
    return count;
}

QString LibraryViewModel::bulkDeleteMessage() const {
    const int n = selectedCount();
    return QString::number(n) + QStringLiteral(" recording") +
           (n == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" will be removed.");
}

QList<LibraryItem> LibraryViewModel::selectedTakes() const {
    QList<LibraryItem> taken;
    if (!m_app)
        return taken;
    for (const LibraryItem &item : m_app->store()->items()) {
        if (m_takes.selection().contains(item.id))
            taken << item;
    }
    return taken;
}

QStringList LibraryViewModel::selectedTakeIds() const {
    QStringList ids;
    for (const LibraryItem &item : selectedTakes())
        ids << idText(item.id);
    return ids;
}

QString LibraryViewModel::playingPath() const {
    return m_app ? m_app->player()->playingURL() : QString();
}

std::optional<LibraryItem> LibraryViewModel::findItem(const QString &itemId) const {
    const auto id = parseId(itemId);
    if (!m_app || !id)
        return std::nullopt;
    return m_app->store()->item(*id);
}

void LibraryViewModel::setSelected(const QString &itemId, bool selected) {
    if (const auto id = parseId(itemId))
        m_takes.setSelected(*id, selected);
}

void LibraryViewModel::play(const QString &itemId, bool clone) {
    const auto item = findItem(itemId);
    if (!item)
        return;
    // The take player and the dialogue mixer never play at once.
    m_app->mixer()->stopEngine();
    m_app->player()->toggle(clone ? DataPaths::convertedFile(item->id)
                                  : DataPaths::originalFile(item->id));
}

void LibraryViewModel::playOriginal(const QString &itemId) {
    play(itemId, false);
}

void LibraryViewModel::playClone(const QString &itemId) {
    play(itemId, true);
}

void LibraryViewModel::reveal(const QString &itemId) {
    if (const auto item = findItem(itemId))
        FileReveal::reveal(DataPaths::originalFile(item->id));
}

QString LibraryViewModel::defaultFilename(const LibraryItem &item, bool hasClone) {
    return QStringLiteral("Lyra-") + DateTexts::fileNamePart(item.characterName) + u'-' +
           (hasClone ? QStringLiteral("clone") : QStringLiteral("original")) + u'-' +
           DateTexts::fileStamp(item.createdAt) + QStringLiteral(".wav");
}

QString LibraryViewModel::defaultFilename(const QString &itemId) const {
    const auto item = findItem(itemId);
    return item ? defaultFilename(*item, item->hasConverted()) : QString();
}

QUrl LibraryViewModel::saveFolder() const {
    if (!m_lastSaveFolder.isEmpty() && QFileInfo(m_lastSaveFolder).isDir())
        return QUrl::fromLocalFile(m_lastSaveFolder);
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir())
        return QUrl::fromLocalFile(music);
    return QUrl::fromLocalFile(QDir::homePath());
}

void LibraryViewModel::copyReplacing(const QString &source, const QString &destination) {
    AtomicFile::replace(destination,
                        [&source](const QString &temp) { AudioFileTools::copyFile(source, temp); });
}

void LibraryViewModel::saveCopy(const QString &itemId, const QUrl &destination) {
    const auto id = parseId(itemId);
    if (!id || !destination.isLocalFile())
        return;
    saveCopyTask(*id, destination.toLocalFile());
}

QCoro::Task<bool> LibraryViewModel::saveCopyTask(QUuid itemId, QString destination) {
    const auto item = m_app ? m_app->store()->item(itemId) : std::nullopt;
    if (!item)
        co_return false;
    destination = withWavExtension(destination);
    m_lastSaveFolder = QFileInfo(destination).absolutePath();
    const QString source = item->hasConverted() ? DataPaths::convertedFile(item->id)
                                                : DataPaths::originalFile(item->id);
    // A failed copy shows nothing, as before; it just no longer destroys the file it was
    // meant to replace.
    // Named, not a temporary inside co_await: g++ 12 destroys such a lambda's captures twice.
    auto work = [source, destination] { copyReplacing(source, destination); };
    try {
        co_await runInBackground(std::move(work));
    } catch (const std::exception &) {
        co_return false;
    }
    co_return true;
}

void LibraryViewModel::requestDelete(const QString &itemId) {
    if (m_confirmDeleteId == itemId)
        return;
    m_confirmDeleteId = itemId;
    emit confirmDeleteIdChanged();
}

void LibraryViewModel::confirmDelete() {
    const auto item = findItem(m_confirmDeleteId);
    if (item) {
        m_app->player()->stop();
        m_takes.setSelected(item->id, false);
        m_app->store()->deleteItem(*item);
    }
    cancelDelete();
}

void LibraryViewModel::cancelDelete() {
    requestDelete(QString());
}

void LibraryViewModel::deleteSelected() {
    if (!m_app)
        return;
    m_app->player()->stop();
    for (const LibraryItem &item : selectedTakes())
        m_app->store()->deleteItem(item);
    m_takes.clearSelection();
}

void LibraryViewModel::openDialogue(const QString &dialogueId) {
    const auto id = parseId(dialogueId);
    if (!m_app || !id)
        return;
    m_takes.clearSelection();
    m_app->navigation()->showDialogue(*id);
}

void LibraryViewModel::appeared() {
    if (m_app)
        RecordingNamer::shared().nameUntitled(*m_app->store());
}

} // namespace chorale
