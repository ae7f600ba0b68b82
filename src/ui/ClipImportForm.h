// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChoraleApp.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// The state and rules of the two add sheets (new character, new emotion): choosing or dropping
// a clip, checking it, and adding it through the store. Main thread.
class ClipImportForm : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    // Empty for a new character; the character's id to add an emotion to it.
    Q_PROPERTY(QString characterId READ characterId WRITE setCharacterId NOTIFY characterIdChanged)
    Q_PROPERTY(QString characterName READ characterName NOTIFY characterIdChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString emotionName READ emotionName WRITE setEmotionName NOTIFY emotionNameChanged)
    // The working copy of the chosen clip in the data folder's tmp, or empty.
    Q_PROPERTY(QString fileURL READ fileURL NOTIFY fileChanged)
    // The name of the file the user chose, for display.
    Q_PROPERTY(QString chosenFileName READ chosenFileName NOTIFY fileChanged)
    Q_PROPERTY(QString durationText READ durationText NOTIFY fileChanged)
    Q_PROPERTY(QString dropError READ dropError NOTIFY dropErrorChanged)
    Q_PROPERTY(bool canAdd READ canAdd NOTIFY canAddChanged)
    Q_PROPERTY(QStringList nameFilters READ nameFilters CONSTANT)

public:
    explicit ClipImportForm(QObject *parent = nullptr);

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);
    QString characterId() const { return m_characterId; }
    void setCharacterId(const QString &id);
    QString characterName() const;
    QString name() const { return m_name; }
    void setName(const QString &name);
    QString emotionName() const { return m_emotionName; }
    void setEmotionName(const QString &name);
    QString fileURL() const { return m_fileURL; }
    QString chosenFileName() const { return m_chosenFileName; }
    QString durationText() const { return m_durationText; }
    QString dropError() const { return m_dropError; }
    bool canAdd() const;
    static QStringList nameFilters();

    // Clears everything for a freshly opened sheet ("Neutral" as the new character's emotion).
    Q_INVOKABLE void reset();
    // Checks a picked or dropped file and makes a working copy of it.
    Q_INVOKABLE void choose(const QUrl &url);
    // Adds the character or emotion; true when the sheet may close.
    Q_INVOKABLE bool add();

    // The message shown for a failure.
    static QString friendly(const std::exception &error);

signals:
    void appChanged();
    void characterIdChanged();
    void nameChanged();
    void emotionNameChanged();
    void fileChanged();
    void dropErrorChanged();
    void canAddChanged();

private:
    bool addingCharacter() const { return m_characterId.isEmpty(); }
    void setFile(const QString &fileURL, const QString &chosenName);
    void setDurationText(const QString &text);
    void setDropError(const QString &error);
    void refreshCanAdd();

    QPointer<ChoraleApp> m_app;
    QString m_characterId;
    QString m_name;
    QString m_emotionName;
    QString m_fileURL;
    QString m_chosenFileName;
    QString m_durationText;
    QString m_dropError;
    bool m_canAdd = false;
};

} // namespace chorale
