// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioInputDevice.h"
#include "audio/AudioRecorder.h"
#include "model/CloneOptions.h"
#include "model/LibraryItem.h"
#include "ui/PickerModel.h"
#include "ui/RecentTakesModel.h"
#include "ui/VoiceSelection.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

namespace chorale {

class ChoraleApp;

// The Record screen's rules: the six pickers (character, emotion, microphone, voice mode,
// language, effect), the record button with its debounce, saving each take to the library,
// having it titled and queued for cloning, the recent takes and the "Recording" alert. Owns the
// screen's recorder. Main thread.
//
// The screen is rebuilt each time its section is shown. When it goes away in the middle of a
// take, the take is stopped and saved just as a second click would have done, so leaving the
// section never loses a recording.
class RecordViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    Q_PROPERTY(chorale::VoiceSelection *voice READ voice CONSTANT)
    Q_PROPERTY(chorale::PickerModel *devices READ devices CONSTANT)
    Q_PROPERTY(chorale::PickerModel *modes READ modes CONSTANT)
    Q_PROPERTY(chorale::PickerModel *languages READ languages CONSTANT)
    Q_PROPERTY(chorale::PickerModel *effects READ effects CONSTANT)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(float level READ level NOTIFY levelChanged)
    Q_PROPERTY(QString elapsedText READ elapsedText NOTIFY elapsedChanged)
    Q_PROPERTY(bool permissionDenied READ permissionDenied NOTIFY permissionDeniedChanged)
    Q_PROPERTY(chorale::RecentTakesModel *recentTakes READ recentTakes CONSTANT)
    // The take the recent list should scroll to (UUID text), or empty.
    Q_PROPERTY(QString scrollToID READ scrollToID NOTIFY scrollToIDChanged)
    // The "Recording" alert: the screen's message, else the clone queue's; empty when none.
    Q_PROPERTY(QString alertMessage READ alertMessage NOTIFY alertMessageChanged)

public:
    // Clicks closer together than this (in milliseconds) after an accepted one are ignored.
    static constexpr qint64 clickInterval = 350;
    static inline const QString noMicrophoneMessage = QStringLiteral("No microphone found.");
    static inline const QString fallbackDeviceName = QStringLiteral("Microphone");

    explicit RecordViewModel(QObject *parent = nullptr);
    // Saves a take still being recorded.
    ~RecordViewModel() override;

    ChoraleApp *app() const { return m_app; }
    // Setting the app is the screen appearing: devices are listed and the first character chosen.
    void setApp(ChoraleApp *app);

    VoiceSelection *voice() { return &m_voice; }
    PickerModel *devices() { return &m_devices; }
    PickerModel *modes() { return &m_modes; }
    PickerModel *languages() { return &m_languages; }
    PickerModel *effects() { return &m_effects; }
    RecentTakesModel *recentTakes() { return &m_recentTakes; }
    AudioRecorder &recorder() { return m_recorder; }

    bool isRecording() const { return m_recorder.isRecording(); }
    float level() const { return m_recorder.level(); }
    QString elapsedText() const;
    bool permissionDenied() const { return m_permissionDenied; }
    QString scrollToID() const { return m_scrollToID; }
    QString errorMessage() const { return m_errorMessage; }
    QString alertMessage() const;

    std::optional<quint32> selectedDeviceID() const;
    CloneMode cloneMode() const;
    VoiceLanguage voiceLanguage() const;
    CloneEffect selectedEffect() const;

    // Lists the microphones again, keeping the chosen one while it is still there.
    Q_INVOKABLE void refreshDevices();
    // The record button was clicked: ignored within clickInterval of the last accepted click,
    // otherwise toggleRecord().
    Q_INVOKABLE void clickRecord();
    // The same, at a given monotonic time in milliseconds.
    void clickRecord(qint64 uptimeMs);
    // Stops and saves the take being recorded, or starts a new one.
    Q_INVOKABLE void toggleRecord();
    // Queues a take of the list for cloning with the screen's choices.
    Q_INVOKABLE void enqueueClone(const QString &itemId);
    Q_INVOKABLE void playOriginal(const QString &itemId);
    Q_INVOKABLE void playClone(const QString &itemId);
    // The alert was dismissed: clears the screen's and the queue's message.
    Q_INVOKABLE void clearAlert();

signals:
    void appChanged();
    void isRecordingChanged();
    void levelChanged();
    void elapsedChanged();
    void permissionDeniedChanged();
    void scrollToIDChanged();
    void alertMessageChanged();

private:
    void beginRecording();
    void saveTake();
    void enqueueClone(const LibraryItem &item);
    void setErrorMessage(const QString &message);
    void setPermissionDenied(bool denied);
    void setScrollToID(const QString &id);

    QPointer<ChoraleApp> m_app;
    AudioRecorder m_recorder;
    VoiceSelection m_voice;
    QList<AudioInputDevice> m_deviceList;
    PickerModel m_devices;
    PickerModel m_modes;
    PickerModel m_languages;
    PickerModel m_effects;
    RecentTakesModel m_recentTakes{RecentTakesModel::Kind::recorded};
    bool m_permissionDenied = false;
    QString m_scrollToID;
    QString m_errorMessage;
    std::optional<qint64> m_lastClick;
};

} // namespace chorale
