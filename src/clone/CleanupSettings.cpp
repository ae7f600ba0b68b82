// SPDX-License-Identifier: GPL-3.0-or-later
#include "clone/CleanupSettings.h"

#include "model/Preferences.h"

#include <QSettings>
#include <QVariant>

namespace chorale {

namespace {

// Only a stored boolean counts; the INI store hands booleans back as "true" / "false".
bool readToggle(const QSettings &preferences, const QString &key) {
    const QVariant value = preferences.value(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QStringLiteral("true"))
            return true;
        if (text == QStringLiteral("false"))
            return false;
    }
    return true;
}

} // namespace

CleanupSettings::CleanupSettings(QObject *parent)
    : QObject(parent) {
    const auto preferences = openPreferences();
    m_options.reduceNoise = readToggle(*preferences, reduceNoiseKey);
    m_options.enhanceClarity = readToggle(*preferences, enhanceClarityKey);
    m_options.normalizeVolume = readToggle(*preferences, normalizeVolumeKey);
}

void CleanupSettings::setReduceNoise(bool on) {
    assign(&CleanupOptions::reduceNoise, on, reduceNoiseKey, &CleanupSettings::reduceNoiseChanged);
}

void CleanupSettings::setEnhanceClarity(bool on) {
    assign(&CleanupOptions::enhanceClarity, on, enhanceClarityKey,
           &CleanupSettings::enhanceClarityChanged);
}

void CleanupSettings::setNormalizeVolume(bool on) {
    assign(&CleanupOptions::normalizeVolume, on, normalizeVolumeKey,
           &CleanupSettings::normalizeVolumeChanged);
}

void CleanupSettings::assign(bool CleanupOptions::*member, bool on, const QString &key,
                             void (CleanupSettings::*changed)()) {
    openPreferences()->setValue(key, on);
    if (m_options.*member == on)
        return;
    m_options.*member = on;
    emit(this->*changed)();
}

} // namespace chorale
