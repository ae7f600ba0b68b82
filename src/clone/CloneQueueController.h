// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CloneOptions.h"
#include "model/LibraryItem.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <qcoro/qcorotask.h>

#include <optional>

namespace chorale {

class AudioPlayer;
class CleanupSettings;
class DataStore;
class EngineController;

// Turns library takes into clones, one at a time, in arrival order: cleans a copy of the take
// (on a background thread), has the voice engine convert it with the chosen emotion's clip,
// applies the effect (on a background thread) and attaches the result to the take. Publishes
// the take being cloned, the waiting ones, the running job's phase and the last failure. One
// instance for the app's lifetime; main thread only. Nothing is persisted.
class CloneQueueController : public QObject {
    Q_OBJECT
    // Upper-case UUID text of the take being cloned; empty when idle.
    Q_PROPERTY(QString cloningID READ cloningIDText NOTIFY cloningIDChanged)
    // The waiting takes, oldest first, as UUID text.
    Q_PROPERTY(QStringList queue READ queueText NOTIFY queueChanged)
    Q_PROPERTY(bool preparingCleanup READ preparingCleanup NOTIFY preparingCleanupChanged)
    Q_PROPERTY(bool applyingEffect READ applyingEffect NOTIFY applyingEffectChanged)
    // The last failure (empty when none), until a screen clears it.
    Q_PROPERTY(QString errorMessage READ errorMessageText WRITE setErrorMessageText NOTIFY
                       errorMessageChanged)

public:
    static inline const QString cleaningMessage = QStringLiteral("Cleaning audio…");
    static inline const QString effectMessage = QStringLiteral("Applying effect…");
    static constexpr double cleaningProgress = 0.12;
    static constexpr double effectProgress = 0.92;

    explicit CloneQueueController(QObject *parent = nullptr);
    ~CloneQueueController() override;

    // Queues `item` for cloning and returns at once. Ignored when the take already has a
    // clone, is being cloned, or is already waiting. The fallbacks are used when the take names
    // no character (or emotion) that still exists. The shared objects must outlive the job.
    void enqueue(const LibraryItem &item, bool singing, CloneEffect effect,
                 const std::optional<QUuid> &fallbackCharacterID,
                 const std::optional<QUuid> &fallbackEmotionID, DataStore &store,
                 EngineController &engine, CleanupSettings &cleanup, AudioPlayer &player);

    // What a take's row shows: empty and 0 unless it is being cloned; then the job's phase.
    QString message(const QUuid &id, const EngineController &engine) const;
    double progress(const QUuid &id, const EngineController &engine) const;

    const std::optional<QUuid> &cloningID() const { return m_cloningID; }
    const QList<QUuid> &queue() const { return m_queue; }
    bool preparingCleanup() const { return m_preparingCleanup; }
    bool applyingEffect() const { return m_applyingEffect; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    // Screens clear the failure once the user has dismissed it.
    Q_INVOKABLE void clearErrorMessage();

    QString cloningIDText() const;
    QStringList queueText() const;
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    void setErrorMessageText(const QString &message);

signals:
    void cloningIDChanged();
    void queueChanged();
    void preparingCleanupChanged();
    void applyingEffectChanged();
    void errorMessageChanged();
    // The job loop has run out of work.
    void drained();

private:
    struct PendingClone {
        QUuid id;
        bool singing = false;
        CloneEffect effect = CloneEffect::none;
        std::optional<QUuid> fallbackCharacterID;
        std::optional<QUuid> fallbackEmotionID;
    };
    // The shared objects a job works with (any of them may go away at shutdown).
    struct Services;

    QCoro::Task<> drain(Services services);
    QCoro::Task<> clone(LibraryItem item, PendingClone job, Services services);

    void publishQueue();
    void setCloningID(const std::optional<QUuid> &id);
    void setPreparingCleanup(bool on);
    void setApplyingEffect(bool on);
    void setErrorMessage(const std::optional<QString> &message);

    std::optional<QUuid> m_cloningID;
    QList<QUuid> m_queue;
    bool m_preparingCleanup = false;
    bool m_applyingEffect = false;
    std::optional<QString> m_errorMessage;
    QList<PendingClone> m_pending;
    bool m_running = false;
};

} // namespace chorale
