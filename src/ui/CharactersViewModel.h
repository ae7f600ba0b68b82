// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChoraleApp.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// The characters of the store as rows for the Characters screen (newest first, as stored).
class CharacterListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Role {
        CharacterIdRole = Qt::UserRole + 1,
        NameRole,
        EmotionSummaryRole,
        // List of {emotionId, name, durationText, path} maps, in the character's order.
        EmotionsRole,
    };

    explicit CharacterListModel(QObject *parent = nullptr);

    void setApp(ChoraleApp *app);
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    void reload();

    QPointer<ChoraleApp> m_app;
    int m_rows = 0;
};

// The Characters screen's rules: playing clips, deleting and renaming characters and emotions,
// and the "Could not add voice" alert. Main thread.
class CharactersViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(chorale::CharacterListModel *characters READ characters CONSTANT)
    Q_PROPERTY(QString playingPath READ playingPath NOTIFY playingPathChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)

public:
    explicit CharactersViewModel(QObject *parent = nullptr);

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);
    CharacterListModel *characters() { return &m_characters; }
    QString playingPath() const;
    QString errorMessage() const { return m_errorMessage; }

    Q_INVOKABLE void play(const QString &path);
    Q_INVOKABLE void deleteEmotion(const QString &characterId, const QString &emotionId);
    Q_INVOKABLE void deleteCharacter(const QString &characterId);
    Q_INVOKABLE void renameCharacter(const QString &characterId, const QString &name);
    Q_INVOKABLE void renameEmotion(const QString &characterId, const QString &emotionId,
                                   const QString &name);
    Q_INVOKABLE void clearError();

signals:
    void appChanged();
    void playingPathChanged();
    void errorMessageChanged();

private:
    void setErrorMessage(const QString &message);

    QPointer<ChoraleApp> m_app;
    CharacterListModel m_characters;
    QString m_errorMessage;
};

} // namespace chorale
