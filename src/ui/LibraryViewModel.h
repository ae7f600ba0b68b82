// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChoraleApp.h"
#include "ui/LibraryProxyModel.h"
#include "ui/LibraryTakeModel.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace chorale {

// The Recordings screen's rules: search, character filter and sort over every take, the ticked
// selection with its bulk actions, playing, saving a copy, revealing and deleting takes. The
// selection lives as long as the screen. Main thread.
class LibraryViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(chorale::LibraryProxyModel *takes READ takes CONSTANT)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    // Empty for every character, else the character's id.
    Q_PROPERTY(QString characterFilter READ characterFilter WRITE setCharacterFilter NOTIFY
                       characterFilterChanged)
    // {id, name} maps: "All characters" (empty id) and then every character in store order.
    Q_PROPERTY(QVariantList characterOptions READ characterOptions NOTIFY characterOptionsChanged)
    // "date", "duration" or "character".
    Q_PROPERTY(QString sort READ sort WRITE setSort NOTIFY sortChanged)
    // {raw, label} maps for the sort picker.
    Q_PROPERTY(QVariantList sortOptions READ sortOptions CONSTANT)
    // "empty" (no takes at all), "noMatches" (takes, none shown) or "list".
    Q_PROPERTY(QString contentState READ contentState NOTIFY contentStateChanged)
    Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectionChanged)
    Q_PROPERTY(int selectedClonedCount READ selectedClonedCount NOTIFY selectionChanged)
    Q_PROPERTY(bool showsDeleteSelected READ showsDeleteSelected NOTIFY selectionChanged)
    Q_PROPERTY(bool showsAddToDialogue READ showsAddToDialogue NOTIFY selectionChanged)
    Q_PROPERTY(QString bulkDeleteMessage READ bulkDeleteMessage NOTIFY selectionChanged)
    Q_PROPERTY(QString playingPath READ playingPath NOTIFY playingPathChanged)
    // The take awaiting the single-delete confirmation, or empty.
    Q_PROPERTY(QString confirmDeleteId READ confirmDeleteId NOTIFY confirmDeleteIdChanged)

public:
    explicit LibraryViewModel(QObject *parent = nullptr);

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);
    LibraryProxyModel *takes() { return &m_proxy; }
    LibraryTakeModel *allTakes() { return &m_takes; }

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    QString characterFilter() const;
    void setCharacterFilter(const QString &characterId);
    QVariantList characterOptions() const;
    QString sort() const { return rawValue(m_proxy.sort()); }
    void setSort(const QString &raw);
    static QVariantList sortOptions();
    QString contentState() const;

    int selectedCount() const { return int(m_takes.selection().size()); }
    int selectedClonedCount() const;
    bool showsDeleteSelected() const { return selectedCount() > 0; }
    bool showsAddToDialogue() const { return selectedClonedCount() >= 1; }
    QString bulkDeleteMessage() const;
    // The ticked takes in store order, hidden ones included.
    QList<LibraryItem> selectedTakes() const;
    Q_INVOKABLE QStringList selectedTakeIds() const;

    QString playingPath() const;
    QString confirmDeleteId() const { return m_confirmDeleteId; }

    Q_INVOKABLE void setSelected(const QString &itemId, bool selected);
    Q_INVOKABLE void playOriginal(const QString &itemId);
    Q_INVOKABLE void playClone(const QString &itemId);
    Q_INVOKABLE void reveal(const QString &itemId);

    // "Save a copy…": the proposed file name, then the copy to the chosen place.
    Q_INVOKABLE QString defaultFilename(const QString &itemId) const;
    Q_INVOKABLE QUrl saveFolder() const;
    Q_INVOKABLE void saveCopy(const QString &itemId, const QUrl &destination);
    // The copy itself: the clone when the take has one, else the original. Resolves to whether
    // the file was written; a failure leaves an existing file at `destination` as it was.
    QCoro::Task<bool> saveCopyTask(QUuid itemId, QString destination);

    Q_INVOKABLE void requestDelete(const QString &itemId);
    Q_INVOKABLE void confirmDelete();
    Q_INVOKABLE void cancelDelete();
    Q_INVOKABLE void deleteSelected();

    // The add-to-dialogue sheet made or chose a dialogue: clear the ticks and open it.
    Q_INVOKABLE void openDialogue(const QString &dialogueId);

    // The screen appeared: title the takes that have no title yet, in the background.
    Q_INVOKABLE void appeared();

    static QString defaultFilename(const LibraryItem &item, bool hasClone);
    // Copies `source` over `destination` by way of a temporary file beside it, so a failed
    // copy never costs the file that was there. Blocking; throws on failure.
    static void copyReplacing(const QString &source, const QString &destination);

signals:
    void appChanged();
    void queryChanged();
    void characterFilterChanged();
    void characterOptionsChanged();
    void sortChanged();
    void contentStateChanged();
    void selectionChanged();
    void playingPathChanged();
    void confirmDeleteIdChanged();

private:
    void reload();
    void refreshContentState();
    std::optional<LibraryItem> findItem(const QString &itemId) const;
    void play(const QString &itemId, bool clone);

    QPointer<ChoraleApp> m_app;
    LibraryTakeModel m_takes;
    LibraryProxyModel m_proxy;
    QString m_query;
    QString m_contentState = QStringLiteral("empty");
    QString m_confirmDeleteId;
    QString m_lastSaveFolder;
};

} // namespace chorale
