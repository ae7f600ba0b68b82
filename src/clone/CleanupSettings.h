// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "clone/CleanupOptions.h"

#include <QObject>
#include <QString>

namespace chorale {

// The user's three cleanup toggles, persisted in the preferences. One instance for the app's
// lifetime, shared by the Settings screen and the clone queue; main thread only.
class CleanupSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool reduceNoise READ reduceNoise WRITE setReduceNoise NOTIFY reduceNoiseChanged)
    Q_PROPERTY(bool enhanceClarity READ enhanceClarity WRITE setEnhanceClarity NOTIFY
                       enhanceClarityChanged)
    Q_PROPERTY(bool normalizeVolume READ normalizeVolume WRITE setNormalizeVolume NOTIFY
                       normalizeVolumeChanged)

public:
    static inline const QString reduceNoiseKey = QStringLiteral("chl.cleanup.reduceNoise");
    static inline const QString enhanceClarityKey = QStringLiteral("chl.cleanup.enhanceClarity");
    static inline const QString normalizeVolumeKey = QStringLiteral("chl.cleanup.normalizeVolume");

    // Reads the three toggles; an absent key, or one that holds no boolean, reads as on.
    explicit CleanupSettings(QObject *parent = nullptr);

    bool reduceNoise() const { return m_options.reduceNoise; }
    bool enhanceClarity() const { return m_options.enhanceClarity; }
    bool normalizeVolume() const { return m_options.normalizeVolume; }
    // The three current values together.
    CleanupOptions options() const { return m_options; }

    // Every assignment is written to the preferences at once, changed or not.
    void setReduceNoise(bool on);
    void setEnhanceClarity(bool on);
    void setNormalizeVolume(bool on);

signals:
    void reduceNoiseChanged();
    void enhanceClarityChanged();
    void normalizeVolumeChanged();

private:
    void assign(bool CleanupOptions::*member, bool on, const QString &key,
                void (CleanupSettings::*changed)());

    CleanupOptions m_options;
};

} // namespace chorale
