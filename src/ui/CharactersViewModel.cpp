// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CharactersViewModel.h"

#include "app/ChoraleApp.h"
#include "audio/AudioPlayer.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

namespace chorale {

namespace {
const QString lastEmotionMessage = QStringLiteral("A character needs at least one emotion clip.");

std::optional<VoiceCharacter> findCharacter(ChoraleApp *app, const QString &id) {
    if (!app)
        return std::nullopt;
    return app->store()->character(parseId(id));
}

std::optional<CharacterEmotion> findEmotion(const VoiceCharacter &character, const QString &id) {
    const auto emotionId = parseId(id);
    for (const auto &e : character.emotions) {
        if (emotionId && e.id == *emotionId)
            return e;
    }
    return std::nullopt;
}
} // namespace

CharacterListModel::CharacterListModel(QObject *parent)
    : QAbstractListModel(parent) {}

void CharacterListModel::setApp(ChoraleApp *app) {
    if (m_app)
        disconnect(m_app->store(), nullptr, this, nullptr);
    m_app = app;
    if (m_app)
        connect(m_app->store(), &DataStore::charactersChanged, this, &CharacterListModel::reload);
    reload();
}

void CharacterListModel::reload() {
    beginResetModel();
    const int before = m_rows;
    m_rows = m_app ? int(m_app->store()->characters().size()) : 0;
    endResetModel();
    if (before != m_rows)
        emit countChanged();
}

int CharacterListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant CharacterListModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        !m_app)
        return {};
    const VoiceCharacter &c = m_app->store()->characters().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case NameRole:
        return c.name;
    case CharacterIdRole:
        return idText(c.id);
    case EmotionSummaryRole:
        return c.emotionSummary();
    case EmotionsRole: {
        QVariantList emotions;
        for (const auto &e : c.emotions) {
            emotions << QVariantMap{
                    {QStringLiteral("emotionId"), idText(e.id)},
                    {QStringLiteral("name"), e.name},
                    {QStringLiteral("durationText"), Formatters::duration(e.duration)},
                    {QStringLiteral("path"), DataPaths::characterFolder(c.id) + u'/' + e.fileName},
            };
        }
        return emotions;
    }
    }
    return {};
}

QHash<int, QByteArray> CharacterListModel::roleNames() const {
    return {{CharacterIdRole, "characterId"},
            {NameRole, "name"},
            {EmotionSummaryRole, "emotionSummary"},
            {EmotionsRole, "emotions"}};
}

CharactersViewModel::CharactersViewModel(QObject *parent)
    : QObject(parent) {}

void CharactersViewModel::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app)
        disconnect(m_app->player(), nullptr, this, nullptr);
    m_app = app;
    if (m_app) {
        connect(m_app->player(), &AudioPlayer::playingURLChanged, this,
                &CharactersViewModel::playingPathChanged);
    }
    m_characters.setApp(app);
    emit appChanged();
    emit playingPathChanged();
}

QString CharactersViewModel::playingPath() const {
    return m_app ? m_app->player()->playingURL() : QString();
}

void CharactersViewModel::play(const QString &path) {
    if (m_app)
        m_app->player()->toggle(path);
}

void CharactersViewModel::deleteEmotion(const QString &characterId, const QString &emotionId) {
    const auto character = findCharacter(m_app, characterId);
    if (!character)
        return;
    const auto emotion = findEmotion(*character, emotionId);
    if (!emotion)
        return;
    m_app->player()->stop();
    if (character->emotions.size() > 1)
        m_app->store()->deleteEmotion(*emotion, *character);
    else
        setErrorMessage(lastEmotionMessage);
}

void CharactersViewModel::deleteCharacter(const QString &characterId) {
    const auto character = findCharacter(m_app, characterId);
    if (!character)
        return;
    m_app->player()->stop();
    m_app->store()->deleteCharacter(*character);
}

void CharactersViewModel::renameCharacter(const QString &characterId, const QString &name) {
    const auto character = findCharacter(m_app, characterId);
    if (character && !name.trimmed().isEmpty())
        m_app->store()->renameCharacter(*character, name);
}

void CharactersViewModel::renameEmotion(const QString &characterId, const QString &emotionId,
                                        const QString &name) {
    const auto character = findCharacter(m_app, characterId);
    if (!character)
        return;
    if (const auto emotion = findEmotion(*character, emotionId))
        m_app->store()->renameEmotion(*emotion, *character, name);
}

void CharactersViewModel::clearError() {
    setErrorMessage({});
}

void CharactersViewModel::setErrorMessage(const QString &message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

} // namespace chorale
