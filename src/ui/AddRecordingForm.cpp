// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AddRecordingForm.h"

#include "dialogue/DialogueMixer.h"
#include "model/ChoraleError.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"
#include "ui/DateTexts.h"

#include <algorithm>

namespace chorale {

AddRecordingForm::AddRecordingForm(QObject *parent)
    : QObject(parent)
    , m_recordings({QStringLiteral("itemId"), QStringLiteral("displayTitle"),
                    QStringLiteral("detailLine")},
                   QStringLiteral("itemId")) {}

void AddRecordingForm::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app)
        disconnect(m_app->store(), nullptr, this, nullptr);
    m_app = app;
    if (m_app) {
        connect(m_app->store(), &DataStore::itemsChanged, this, [this] {
            m_hasClone.clear();
            refresh();
        });
    }
    refresh();
    emit appChanged();
}

void AddRecordingForm::setProjectId(const QString &id) {
    if (m_projectId == id)
        return;
    m_projectId = id;
    emit projectIdChanged();
}

void AddRecordingForm::setQuery(const QString &query) {
    if (m_query == query)
        return;
    m_query = query;
    refresh();
    emit queryChanged();
}

QString AddRecordingForm::emptyTitle() const {
    return m_query.isEmpty() ? QStringLiteral("No cloned recordings")
                             : QStringLiteral("No matches");
}

QString AddRecordingForm::emptyText() const {
    return m_query.isEmpty() ? QStringLiteral("Clone a take in Recordings first, then add it here.")
                             : QStringLiteral("Try a different name or character.");
}

QList<LibraryItem> AddRecordingForm::matching() const {
    QList<LibraryItem> found;
    if (!m_app)
        return found;
    const QString needle = m_query.trimmed().toLower();
    for (const LibraryItem &item : m_app->store()->items()) {
        auto known = m_hasClone.constFind(item.id);
        if (known == m_hasClone.cend())
            known = m_hasClone.insert(item.id, item.hasConverted());
        if (!*known)
            continue;
        if (!needle.isEmpty() && !item.displayTitle().toLower().contains(needle) &&
            !item.characterName.toLower().contains(needle) &&
            !(item.emotionName && item.emotionName->toLower().contains(needle)) &&
            !item.sourceDevice.toLower().contains(needle))
            continue;
        found << item;
    }
    std::stable_sort(found.begin(), found.end(), [](const LibraryItem &a, const LibraryItem &b) {
        return a.createdAt > b.createdAt;
    });
    return found;
}

void AddRecordingForm::refresh() {
    QList<QVariantMap> rows;
    for (const LibraryItem &item : matching()) {
        rows << QVariantMap{
                {QStringLiteral("itemId"), idText(item.id)},
                {QStringLiteral("displayTitle"), item.displayTitle()},
                {QStringLiteral("detailLine"),
                 QStringList{item.voiceLabel(), DateTexts::abbreviated(item.createdAt),
                             Formatters::duration(item.duration)}
                         .join(QStringLiteral("  ·  "))},
        };
    }
    m_recordings.setRows(rows);
}

void AddRecordingForm::reset() {
    m_hasClone.clear();
    setQuery({});
    refresh();
    setErrorMessage({});
}

bool AddRecordingForm::add(const QString &itemId) {
    if (!m_app)
        return false;
    const auto dialogue = m_app->store()->dialogue(parseId(m_projectId));
    const auto id = parseId(itemId);
    const auto item = id ? m_app->store()->item(*id) : std::nullopt;
    if (!dialogue || !item)
        return false;
    m_app->mixer()->stopEngine();
    try {
        m_app->store()->addClips({*item}, *dialogue, true);
    } catch (const std::exception &error) {
        setErrorMessage(describeError(error));
        return false;
    }
    return true;
}

void AddRecordingForm::clearError() {
    setErrorMessage({});
}

void AddRecordingForm::setErrorMessage(const QString &message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

} // namespace chorale
