// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipImportForm.h"

#include "app/ChoraleApp.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/AudioFileTools.h"
#include "store/DataStore.h"

#include <QDir>
#include <QFileInfo>

namespace chorale {

namespace {
constexpr double shortestClip = 3.0;
constexpr double longestClip = 30.0;
const QStringList acceptedExtensions = {QStringLiteral("wav"), QStringLiteral("flac"),
                                        QStringLiteral("mp3")};
} // namespace

ClipImportForm::ClipImportForm(QObject *parent)
    : QObject(parent) {
    reset();
}

void ClipImportForm::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    m_app = app;
    emit appChanged();
    emit characterIdChanged();
}

void ClipImportForm::setCharacterId(const QString &id) {
    if (m_characterId == id)
        return;
    m_characterId = id;
    emit characterIdChanged();
    reset();
}

QString ClipImportForm::characterName() const {
    if (!m_app)
        return {};
    const auto character = m_app->store()->character(parseId(m_characterId));
    return character ? character->name : QString();
}

void ClipImportForm::setName(const QString &name) {
    if (m_name == name)
        return;
    m_name = name;
    emit nameChanged();
    refreshCanAdd();
}

void ClipImportForm::setEmotionName(const QString &name) {
    if (m_emotionName == name)
        return;
    m_emotionName = name;
    emit emotionNameChanged();
    refreshCanAdd();
}

bool ClipImportForm::canAdd() const {
    return m_canAdd;
}

QStringList ClipImportForm::nameFilters() {
    return {QStringLiteral("Audio files (*.wav *.WAV *.flac *.FLAC *.mp3 *.MP3)")};
}

void ClipImportForm::reset() {
    setName({});
    setEmotionName(addingCharacter() ? QStringLiteral("Neutral") : QString());
    setFile({}, {});
    setDurationText({});
    setDropError({});
}

void ClipImportForm::choose(const QUrl &url) {
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.toString();
    const QFileInfo info(path);
    const QString extension = info.suffix().toLower();
    if (!acceptedExtensions.contains(extension)) {
        setDropError(QStringLiteral("Use a WAV, FLAC, or MP3 file."));
        setFile({}, {});
        setDurationText({});
        return;
    }
    double length = 0;
    try {
        length = AudioFileTools::duration(path);
    } catch (const std::exception &error) {
        setDropError(friendly(error));
        setFile({}, {});
        return;
    }
    setDurationText(Formatters::duration(length));
    if (length < shortestClip || length > longestClip) {
        setDropError(ChoraleError::durationOutOfRange(length).message());
        setFile({}, {});
        return;
    }
    // Work on a private copy, so the store never depends on where the user's file lives.
    const QString copy = DataPaths::tmpFolder() + QStringLiteral("/import-") +
                         idText(QUuid::createUuid()) + u'.' + info.suffix();
    try {
        if (!QDir().mkpath(DataPaths::tmpFolder()))
            throw ChoraleError::platform(QStringLiteral("Could not create the folder “%1”.")
                                                 .arg(DataPaths::tmpFolder()));
        AudioFileTools::copyFile(path, copy);
    } catch (const std::exception &error) {
        setDropError(friendly(error));
        setFile({}, {});
        return;
    }
    setDropError({});
    setFile(copy, info.fileName());
    if (addingCharacter() && m_name.trimmed().isEmpty())
        setName(info.completeBaseName());
}

bool ClipImportForm::add() {
    if (m_fileURL.isEmpty() || !m_app)
        return false;
    try {
        DataStore *store = m_app->store();
        if (addingCharacter()) {
            store->addCharacter(m_name, m_emotionName, m_fileURL);
        } else {
            const auto character = store->character(parseId(m_characterId));
            if (!character)
                return true; // the character is gone; nothing left to add to
            store->addEmotion(*character, m_emotionName, m_fileURL);
        }
    } catch (const std::exception &error) {
        setDropError(friendly(error));
        return false;
    }
    return true;
}

QString ClipImportForm::friendly(const std::exception &error) {
    const QString description = describeError(error);
    if (description.contains(QStringLiteral("_GenericObjCError")) ||
        description.contains(QStringLiteral("error 0")))
        return ChoraleError::unreadableAudio().message();
    return description;
}

void ClipImportForm::setFile(const QString &fileURL, const QString &chosenName) {
    if (m_fileURL == fileURL && m_chosenFileName == chosenName)
        return;
    m_fileURL = fileURL;
    m_chosenFileName = chosenName;
    emit fileChanged();
    refreshCanAdd();
}

void ClipImportForm::setDurationText(const QString &text) {
    if (m_durationText == text)
        return;
    m_durationText = text;
    emit fileChanged();
}

void ClipImportForm::setDropError(const QString &error) {
    if (m_dropError == error)
        return;
    m_dropError = error;
    emit dropErrorChanged();
}

void ClipImportForm::refreshCanAdd() {
    const QString required = addingCharacter() ? m_name : m_emotionName;
    const bool can = !required.trimmed().isEmpty() && !m_fileURL.isEmpty();
    if (can == m_canAdd)
        return;
    m_canAdd = can;
    emit canAddChanged();
}

} // namespace chorale
