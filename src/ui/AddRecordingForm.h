// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChoraleApp.h"
#include "model/LibraryItem.h"
#include "ui/KeyedListModel.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// The Dialogues screen's "Add recording" sheet: the cloned takes, newest first, narrowed by a
// search; one click adds a take at the end of its character's track.
class AddRecordingForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(QString projectId READ projectId WRITE setProjectId NOTIFY projectIdChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    // {itemId, displayTitle, detailLine}
    Q_PROPERTY(chorale::KeyedListModel *recordings READ recordings CONSTANT)
    Q_PROPERTY(QString emptyTitle READ emptyTitle NOTIFY queryChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY queryChanged)

public:
    explicit AddRecordingForm(QObject *parent = nullptr);

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);
    QString projectId() const { return m_projectId; }
    void setProjectId(const QString &id);
    QString query() const { return m_query; }
    void setQuery(const QString &query);
    QString errorMessage() const { return m_errorMessage; }
    KeyedListModel *recordings() { return &m_recordings; }
    QString emptyTitle() const;
    QString emptyText() const;

    // The takes listed for a search text: cloned, newest first (stable), matching the text.
    QList<LibraryItem> matching() const;

    // A fresh sheet: empty search, no error, clone files checked again.
    Q_INVOKABLE void reset();
    // Adds the take to the dialogue; true when the sheet may close.
    Q_INVOKABLE bool add(const QString &itemId);
    Q_INVOKABLE void clearError();

signals:
    void appChanged();
    void projectIdChanged();
    void queryChanged();
    void errorMessageChanged();

private:
    void refresh();
    void setErrorMessage(const QString &message);

    QPointer<ChoraleApp> m_app;
    QString m_projectId;
    QString m_query;
    QString m_errorMessage;
    KeyedListModel m_recordings;
    // Whether each take has a clone file, asked once per take while the sheet is open.
    mutable QHash<QUuid, bool> m_hasClone;
};

} // namespace chorale
