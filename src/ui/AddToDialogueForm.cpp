// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AddToDialogueForm.h"

#include "model/ChoraleError.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"

namespace chorale {

namespace {
QString plural(int n, const QString &word) {
    return QString::number(n) + u' ' + word + (n == 1 ? QString() : QStringLiteral("s"));
}
} // namespace

AddToDialogueForm::AddToDialogueForm(QObject *parent)
    : QObject(parent)
    , m_dialogues({QStringLiteral("dialogueId"), QStringLiteral("name"),
                   QStringLiteral("durationText")},
                  QStringLiteral("dialogueId")) {}

void AddToDialogueForm::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app)
        disconnect(m_app->store(), nullptr, this, nullptr);
    m_app = app;
    if (m_app)
        connect(m_app->store(), &DataStore::dialoguesChanged, this,
                &AddToDialogueForm::refreshDialogues);
    refreshItems();
    refreshDialogues();
    emit appChanged();
}

void AddToDialogueForm::setItemIds(const QStringList &ids) {
    if (m_itemIds == ids)
        return;
    m_itemIds = ids;
    refreshItems();
}

void AddToDialogueForm::refreshItems() {
    m_cloned.clear();
    if (m_app) {
        for (const QString &text : m_itemIds) {
            const auto id = parseId(text);
            const auto item = id ? m_app->store()->item(*id) : std::nullopt;
            if (item && item->hasConverted())
                m_cloned << *item;
        }
    }
    emit itemsChanged();
}

void AddToDialogueForm::refreshDialogues() {
    QList<QVariantMap> rows;
    if (m_app) {
        for (const DialogueProject &d : m_app->store()->dialogues())
            rows << QVariantMap{{QStringLiteral("dialogueId"), idText(d.id)},
                                {QStringLiteral("name"), d.name},
                                {QStringLiteral("durationText"), Formatters::duration(d.duration)}};
    }
    m_dialogues.setRows(rows);
}

void AddToDialogueForm::setNewName(const QString &name) {
    if (m_newName == name)
        return;
    m_newName = name;
    emit newNameChanged();
}

QString AddToDialogueForm::clonedText() const {
    return plural(clonedCount(), QStringLiteral("cloned take")) +
           QStringLiteral(" will be copied into the project.");
}

QString AddToDialogueForm::skippedText() const {
    const int k = skippedCount();
    if (k <= 0)
        return {};
    return plural(k, QStringLiteral("take")) +
           QStringLiteral(" have no clone and will be skipped.");
}

void AddToDialogueForm::reset(const QStringList &ids) {
    setItemIds(ids);
    refreshItems();
    setNewName(defaultName);
    setErrorMessage({});
}

QString AddToDialogueForm::addToNew() {
    if (!m_app || m_cloned.isEmpty())
        return {};
    try {
        const DialogueProject project = m_app->store()->createDialogue(m_newName);
        return idText(m_app->store()->addClips(m_cloned, project, false).id);
    } catch (const std::exception &error) {
        setErrorMessage(describeError(error));
        return {};
    }
}

QString AddToDialogueForm::addTo(const QString &dialogueId) {
    if (!m_app)
        return {};
    const auto dialogue = m_app->store()->dialogue(parseId(dialogueId));
    if (!dialogue)
        return {};
    try {
        return idText(m_app->store()->addClips(m_cloned, *dialogue, false).id);
    } catch (const std::exception &error) {
        setErrorMessage(describeError(error));
        return {};
    }
}

void AddToDialogueForm::clearError() {
    setErrorMessage({});
}

void AddToDialogueForm::setErrorMessage(const QString &message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

} // namespace chorale
