// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RecordViewModel.h"

#include "app/ChoraleApp.h"
#include "audio/AudioDeviceList.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "naming/RecordingNamer.h"
#include "ui/PickerOptions.h"

#include <QDir>
#include <QLoggingCategory>

#include <chrono>

namespace chorale {

namespace {
Q_LOGGING_CATEGORY(lcRecord, "chorale.ui.record")

qint64 uptimeMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

RecordViewModel::RecordViewModel(QObject *parent)
    : QObject(parent) {
    connect(&m_recorder, &AudioRecorder::isRecordingChanged, this,
            &RecordViewModel::isRecordingChanged);
    connect(&m_recorder, &AudioRecorder::levelChanged, this, &RecordViewModel::levelChanged);
    connect(&m_recorder, &AudioRecorder::elapsedChanged, this, &RecordViewModel::elapsedChanged);
    connect(&m_voice, &VoiceSelection::selectionChanged, this,
            [this] { m_recentTakes.setFallbackCharacterID(m_voice.characterID()); });

    m_modes.setOptions(PickerOptions::cloneModes());
    m_languages.setOptions(PickerOptions::voiceLanguages());
    m_effects.setOptions(PickerOptions::cloneEffects());
    m_modes.setCurrentValue(rawValue(ClonePreferences::cloneMode()));
    m_languages.setCurrentValue(rawValue(ClonePreferences::voiceLanguage()));
    m_effects.setCurrentValue(rawValue(CloneEffect::none));
    // Voice mode and language are remembered; the effect starts at "None" on every visit.
    connect(&m_modes, &PickerModel::currentValueChanged, this,
            [this] { ClonePreferences::setCloneMode(cloneMode()); });
    connect(&m_languages, &PickerModel::currentValueChanged, this,
            [this] { ClonePreferences::setVoiceLanguage(voiceLanguage()); });
}

RecordViewModel::~RecordViewModel() {
    if (!m_recorder.isRecording())
        return;
    // The screen is going away mid-take: finish the take as the stop click would have.
    m_recorder.stop();
    saveTake();
    if (!m_errorMessage.isEmpty())
        qCWarning(lcRecord) << "take left in" << m_recorder.lastFileURL() << ":" << m_errorMessage;
}

void RecordViewModel::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app)
        disconnect(m_app->cloneQueue(), nullptr, this, nullptr);
    m_app = app;
    m_voice.setStore(app ? app->store() : nullptr);
    m_recentTakes.setApp(app);
    if (m_app) {
        connect(m_app->cloneQueue(), &CloneQueueController::errorMessageChanged, this,
                &RecordViewModel::alertMessageChanged);
        refreshDevices();
        m_voice.selectFirstCharacterIfNone();
    }
    emit appChanged();
    emit alertMessageChanged();
}

QString RecordViewModel::elapsedText() const {
    return Formatters::duration(m_recorder.elapsed());
}

QString RecordViewModel::alertMessage() const {
    if (!m_errorMessage.isEmpty())
        return m_errorMessage;
    return m_app ? m_app->cloneQueue()->errorMessageText() : QString();
}

std::optional<quint32> RecordViewModel::selectedDeviceID() const {
    bool ok = false;
    const quint32 id = m_devices.currentValue().toUInt(&ok);
    // 0 is what the system reports when it has no input at all: no microphone to record from.
    if (!ok || id == 0)
        return std::nullopt;
    return id;
}

CloneMode RecordViewModel::cloneMode() const {
    return cloneModeFromRaw(m_modes.currentValue()).value_or(CloneMode::talking);
}

VoiceLanguage RecordViewModel::voiceLanguage() const {
    return voiceLanguageFromRaw(m_languages.currentValue()).value_or(VoiceLanguage::english);
}

CloneEffect RecordViewModel::selectedEffect() const {
    return cloneEffectFromRaw(m_effects.currentValue()).value_or(CloneEffect::none);
}

void RecordViewModel::refreshDevices() {
    m_deviceList = AudioDeviceList::inputs();
    QList<PickerModel::Option> options;
    for (const AudioInputDevice &device : m_deviceList)
        options.append({QString::number(device.id), device.displayLabel()});
    const quint32 selected = AudioDeviceList::selection(m_deviceList, selectedDeviceID(),
                                                        AudioDeviceList::defaultInputID());
    m_devices.setOptions(options);
    m_devices.setCurrentValue(selected == 0 ? QString() : QString::number(selected));
}

void RecordViewModel::clickRecord() {
    clickRecord(uptimeMs());
}

void RecordViewModel::clickRecord(qint64 uptimeMs) {
    // A double-click must not start a take and stop it at once.
    if (m_lastClick && uptimeMs - *m_lastClick <= clickInterval)
        return;
    m_lastClick = uptimeMs;
    toggleRecord();
}

void RecordViewModel::toggleRecord() {
    if (m_recorder.isRecording()) {
        m_recorder.stop();
        saveTake();
        return;
    }
    beginRecording();
}

void RecordViewModel::beginRecording() {
    if (!m_app)
        return;
    m_app->player()->stop();
    // Linux has no microphone permission gate: access is always granted.
    setPermissionDenied(false);
    const std::optional<quint32> device = selectedDeviceID();
    if (!device) {
        setErrorMessage(noMicrophoneMessage);
        return;
    }
    try {
        const QString tmp = DataPaths::tmpFolder();
        if (!QDir().mkpath(tmp))
            throw ChoraleError::platform(
                    QStringLiteral("Could not create the folder “%1”.").arg(tmp));
        m_recorder.start(*device, tmp);
    } catch (const std::exception &error) {
        setErrorMessage(describeError(error));
    }
}

void RecordViewModel::saveTake() {
    const QString file = m_recorder.lastFileURL();
    if (file.isEmpty() || !m_app)
        return;
    DataStore *store = m_app->store();
    const std::optional<VoiceCharacter> character = m_voice.character();
    QString deviceName = fallbackDeviceName;
    for (const AudioInputDevice &device : m_deviceList) {
        if (selectedDeviceID() == device.id)
            deviceName = device.name;
    }
    const std::optional<CharacterEmotion> emotion =
            character ? character->emotion(m_voice.emotionID()) : std::nullopt;

    LibraryItem item;
    try {
        item = store->saveOriginalRecording(m_recorder.elapsed(), character, emotion, deviceName,
                                            file);
    } catch (const std::exception &error) {
        setErrorMessage(describeError(error));
        return;
    }
    // The take is kept even when the audio system failed part-way, but the user is told it is
    // not whole.
    if (!m_recorder.lastTakeError().isEmpty())
        setErrorMessage(m_recorder.lastTakeError());
    setScrollToID(idText(item.id));
    RecordingNamer::shared().nameIfNeeded(item, *store);
    if (character && emotion)
        enqueueClone(item);
}

void RecordViewModel::enqueueClone(const QString &itemId) {
    if (!m_app)
        return;
    if (const std::optional<LibraryItem> item =
                m_app->store()->item(parseId(itemId).value_or(QUuid())))
        enqueueClone(*item);
}

void RecordViewModel::enqueueClone(const LibraryItem &item) {
    m_app->cloneQueue()->enqueue(item, cloneMode() == CloneMode::singing, selectedEffect(),
                                 m_voice.characterID(), m_voice.emotionID(), *m_app->store(),
                                 *m_app->engine(), *m_app->cleanup(), *m_app->player());
}

void RecordViewModel::playOriginal(const QString &itemId) {
    if (const auto id = parseId(itemId); id && m_app)
        m_app->player()->toggle(DataPaths::originalFile(*id));
}

void RecordViewModel::playClone(const QString &itemId) {
    if (const auto id = parseId(itemId); id && m_app)
        m_app->player()->toggle(DataPaths::convertedFile(*id));
}

void RecordViewModel::clearAlert() {
    setErrorMessage({});
    if (m_app)
        m_app->cloneQueue()->clearErrorMessage();
}

void RecordViewModel::setErrorMessage(const QString &message) {
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    emit alertMessageChanged();
}

void RecordViewModel::setPermissionDenied(bool denied) {
    if (denied == m_permissionDenied)
        return;
    m_permissionDenied = denied;
    emit permissionDeniedChanged();
}

void RecordViewModel::setScrollToID(const QString &id) {
    if (id == m_scrollToID)
        return;
    m_scrollToID = id;
    emit scrollToIDChanged();
}

} // namespace chorale
