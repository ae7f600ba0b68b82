// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppSection.h"

#include <QObject>
#include <QUuid>
#include <QVariantList>

#include <optional>

namespace chorale {

// Which section the main window shows, and a dialogue the Dialogues screen should open next.
// Shared by every screen; main thread. Assigning the current value notifies nobody.
class AppNavigation : public QObject {
    Q_OBJECT
    // The section's raw value ("characters", "record", ...), for QML.
    Q_PROPERTY(QString section READ sectionName WRITE setSectionName NOTIFY sectionChanged)
    // Upper-case UUID text, or empty when there is none.
    Q_PROPERTY(QString openDialogueID READ openDialogueText WRITE setOpenDialogueText NOTIFY
                       openDialogueIDChanged)

    // Every section in sidebar order, as {raw, title, icon} maps.
    Q_PROPERTY(QVariantList sections READ sections CONSTANT)

public:
    explicit AppNavigation(QObject *parent = nullptr);

    AppSection section() const { return m_section; }
    void setSection(AppSection section);
    std::optional<QUuid> openDialogueID() const { return m_openDialogueID; }
    void setOpenDialogueID(const std::optional<QUuid> &id);

    // Asks the Dialogues screen to select `id`, switching to it unless it is already shown.
    Q_INVOKABLE void showDialogue(const QUuid &id);

    static QVariantList sections();
    QString sectionName() const;
    void setSectionName(const QString &raw);
    QString openDialogueText() const;
    void setOpenDialogueText(const QString &text);

signals:
    void sectionChanged();
    void openDialogueIDChanged();

private:
    AppSection m_section = AppSection::characters;
    std::optional<QUuid> m_openDialogueID;
};

} // namespace chorale
