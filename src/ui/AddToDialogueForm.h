// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChoraleApp.h"
#include "ui/KeyedListModel.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// The add-to-dialogue sheet of the Recordings screen: copies the cloned takes of a selection
// into a new dialogue or to the end of an existing one. Takes without a clone are skipped.
class AddToDialogueForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    // The selected takes, in store order.
    Q_PROPERTY(QStringList itemIds READ itemIds WRITE setItemIds NOTIFY itemsChanged)
    Q_PROPERTY(QString newName READ newName WRITE setNewName NOTIFY newNameChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(int clonedCount READ clonedCount NOTIFY itemsChanged)
    Q_PROPERTY(int skippedCount READ skippedCount NOTIFY itemsChanged)
    Q_PROPERTY(QString clonedText READ clonedText NOTIFY itemsChanged)
    // Empty when nothing is skipped.
    Q_PROPERTY(QString skippedText READ skippedText NOTIFY itemsChanged)
    Q_PROPERTY(bool canCreate READ canCreate NOTIFY itemsChanged)
    // Every dialogue in store order: {dialogueId, name, durationText}.
    Q_PROPERTY(chorale::KeyedListModel *dialogues READ dialogues CONSTANT)

public:
    static inline const QString defaultName = QStringLiteral("Untitled dialogue");

    explicit AddToDialogueForm(QObject *parent = nullptr);

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);
    QStringList itemIds() const { return m_itemIds; }
    void setItemIds(const QStringList &ids);
    QString newName() const { return m_newName; }
    void setNewName(const QString &name);
    QString errorMessage() const { return m_errorMessage; }
    int clonedCount() const { return int(m_cloned.size()); }
    int skippedCount() const { return int(m_itemIds.size() - m_cloned.size()); }
    QString clonedText() const;
    QString skippedText() const;
    bool canCreate() const { return !m_cloned.isEmpty(); }
    KeyedListModel *dialogues() { return &m_dialogues; }

    // A fresh sheet for these takes.
    Q_INVOKABLE void reset(const QStringList &ids);
    // "Create new": a new dialogue holding the cloned takes. Returns its id, or empty after a
    // failure (shown in errorMessage; a dialogue already created stays).
    Q_INVOKABLE QString addToNew();
    // Appends the cloned takes to an existing dialogue; returns its id or empty after a failure.
    Q_INVOKABLE QString addTo(const QString &dialogueId);
    Q_INVOKABLE void clearError();

signals:
    void appChanged();
    void itemsChanged();
    void newNameChanged();
    void errorMessageChanged();

private:
    void refreshItems();
    void refreshDialogues();
    void setErrorMessage(const QString &message);

    QPointer<ChoraleApp> m_app;
    QStringList m_itemIds;
    QList<LibraryItem> m_cloned;
    QString m_newName = defaultName;
    QString m_errorMessage;
    KeyedListModel m_dialogues;
};

} // namespace chorale
