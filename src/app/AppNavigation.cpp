// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppNavigation.h"

#include "model/Identifiers.h"

namespace chorale {

AppNavigation::AppNavigation(QObject *parent)
    : QObject(parent) {}

void AppNavigation::setSection(AppSection section) {
    if (m_section == section)
        return;
    m_section = section;
    emit sectionChanged();
}

void AppNavigation::setOpenDialogueID(const std::optional<QUuid> &id) {
    if (m_openDialogueID == id)
        return;
    m_openDialogueID = id;
    emit openDialogueIDChanged();
}

void AppNavigation::showDialogue(const QUuid &id) {
    setOpenDialogueID(id);
    setSection(AppSection::dialogues);
}

QVariantList AppNavigation::sections() {
    QVariantList list;
    for (AppSection s : allAppSections()) {
        list << QVariantMap{{QStringLiteral("raw"), rawValue(s)},
                            {QStringLiteral("title"), title(s)},
                            {QStringLiteral("icon"), iconName(s)}};
    }
    return list;
}

QString AppNavigation::sectionName() const {
    return rawValue(m_section);
}

void AppNavigation::setSectionName(const QString &raw) {
    if (const auto section = appSectionFromRaw(raw))
        setSection(*section);
}

QString AppNavigation::openDialogueText() const {
    return m_openDialogueID ? idText(*m_openDialogueID) : QString();
}

void AppNavigation::setOpenDialogueText(const QString &text) {
    setOpenDialogueID(parseId(text));
}

} // namespace chorale
