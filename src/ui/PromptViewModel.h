// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CloneOptions.h"
#include "model/LibraryItem.h"
#include "ui/PickerModel.h"
#include "ui/RecentTakesModel.h"
#include "ui/VoiceSelection.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace chorale {

class ChoraleApp;

// The Prompt screen's rules: the character, emotion, language and effect pickers, the prompt
// text, generating speech into a new take (one generation at a time) whose clone is that speech
// with the effect applied, the recent prompt takes and the "Prompt" alert. The screen lives for
// the whole run, so a prompt being typed or spoken survives switching sections. Main thread.
class PromptViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(QString prompt READ prompt WRITE setPrompt NOTIFY promptChanged)
    Q_PROPERTY(chorale::VoiceSelection *voice READ voice CONSTANT)
    Q_PROPERTY(chorale::PickerModel *languages READ languages CONSTANT)
    Q_PROPERTY(chorale::PickerModel *effects READ effects CONSTANT)
    Q_PROPERTY(bool generating READ generating NOTIFY generatingChanged)
    Q_PROPERTY(bool canGenerate READ canGenerate NOTIFY canGenerateChanged)
    // What the Generate button says while it works: the engine's message, or "Speaking…".
    Q_PROPERTY(QString workingMessage READ workingMessage NOTIFY workingMessageChanged)
    Q_PROPERTY(chorale::RecentTakesModel *recentTakes READ recentTakes CONSTANT)
    Q_PROPERTY(QString scrollToID READ scrollToID NOTIFY scrollToIDChanged)
    // The "Prompt" alert: the screen's message, else the clone queue's; empty when none.
    Q_PROPERTY(QString alertMessage READ alertMessage NOTIFY alertMessageChanged)

public:
    static inline const QString speakingMessage = QStringLiteral("Speaking…");

    explicit PromptViewModel(QObject *parent = nullptr);

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);

    QString prompt() const { return m_prompt; }
    void setPrompt(const QString &prompt);
    VoiceSelection *voice() { return &m_voice; }
    PickerModel *languages() { return &m_languages; }
    PickerModel *effects() { return &m_effects; }
    RecentTakesModel *recentTakes() { return &m_recentTakes; }
    bool generating() const { return m_generating; }
    bool canGenerate() const;
    QString workingMessage() const;
    QString scrollToID() const { return m_scrollToID; }
    QString errorMessage() const { return m_errorMessage; }
    QString alertMessage() const;

    VoiceLanguage voiceLanguage() const;
    CloneEffect selectedEffect() const;

    // The Generate button or its shortcut: starts a generation, but only while the Prompt
    // section is shown and generating is allowed.
    Q_INVOKABLE void requestGenerate();
    // Turns the prompt into a new take; failures end up in the alert.
    QCoro::Task<> generate();
    Q_INVOKABLE void enqueueClone(const QString &itemId);
    Q_INVOKABLE void playClone(const QString &itemId);
    Q_INVOKABLE void clearAlert();

signals:
    void appChanged();
    void promptChanged();
    void generatingChanged();
    void canGenerateChanged();
    void workingMessageChanged();
    void scrollToIDChanged();
    void alertMessageChanged();
    // A generation has ended, well or not.
    void generated();

private:
    void appeared();
    void refreshCanGenerate();
    void setGenerating(bool on);
    void setErrorMessage(const QString &message);
    void setScrollToID(const QString &id);

    QPointer<ChoraleApp> m_app;
    QString m_prompt;
    VoiceSelection m_voice;
    PickerModel m_languages;
    PickerModel m_effects;
    RecentTakesModel m_recentTakes{RecentTakesModel::Kind::prompt};
    bool m_generating = false;
    bool m_canGenerate = false;
    QString m_scrollToID;
    QString m_errorMessage;
};

} // namespace chorale
