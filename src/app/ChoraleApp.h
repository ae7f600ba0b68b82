// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppNavigation.h"
#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "dialogue/DialogueMixer.h"
#include "engine/EngineController.h"
#include "store/DataStore.h"

#include <QObject>
#include <QUrl>
#include <qcoro/qcorotask.h>

#include <memory>

namespace chorale {

// The composition root: creates exactly one of each shared object, in a fixed order, when the
// app starts (touching no file and starting no process), and hands the same instances to every
// screen. Also runs the start-up load, the donation counter and the shut-down. Main thread.
class ChoraleApp : public QObject {
    Q_OBJECT
    Q_PROPERTY(chorale::DataStore *store READ store CONSTANT)
    Q_PROPERTY(chorale::EngineController *engine READ engine CONSTANT)
    Q_PROPERTY(chorale::AudioPlayer *player READ player CONSTANT)
    Q_PROPERTY(chorale::CleanupSettings *cleanup READ cleanup CONSTANT)
    Q_PROPERTY(chorale::AppNavigation *navigation READ navigation CONSTANT)
    Q_PROPERTY(chorale::DialogueMixer *mixer READ mixer CONSTANT)
    Q_PROPERTY(chorale::CloneQueueController *cloneQueue READ cloneQueue CONSTANT)
    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
    Q_PROPERTY(int launchCount READ launchCount NOTIFY launchCountChanged)
    Q_PROPERTY(bool hasDonated READ hasDonated NOTIFY hasDonatedChanged)
    Q_PROPERTY(bool showDonationPrompt READ showDonationPrompt NOTIFY showDonationPromptChanged)
    Q_PROPERTY(QUrl donationURL READ donationURL CONSTANT)

public:
    static inline const QString launchCountKey = QStringLiteral("chl.launchCount");
    static inline const QString hasDonatedKey = QStringLiteral("chl.hasDonated");

    explicit ChoraleApp(QObject *parent = nullptr);
    ~ChoraleApp() override;

    DataStore *store() const { return m_store.get(); }
    EngineController *engine() const { return m_engine.get(); }
    AudioPlayer *player() const { return m_player.get(); }
    CleanupSettings *cleanup() const { return m_cleanup.get(); }
    AppNavigation *navigation() const { return m_navigation.get(); }
    DialogueMixer *mixer() const { return m_mixer.get(); }
    CloneQueueController *cloneQueue() const { return m_cloneQueue.get(); }

    bool loaded() const { return m_loaded; }
    int launchCount() const { return m_launchCount; }
    bool hasDonated() const { return m_hasDonated; }
    bool showDonationPrompt() const { return m_showDonationPrompt; }
    QUrl donationURL() const;

    // The launches on which the donation request appears.
    static bool isDonationLaunch(int launchCount);

    // The window's content appeared: load the store, then run the donation check.
    Q_INVOKABLE void contentAppeared();
    // The window's content went away: stop the engine process and the dialogue mixer.
    Q_INVOKABLE void contentDisappeared();
    // The donation sheet's three actions.
    Q_INVOKABLE void donateLater();
    Q_INVOKABLE void alreadyDonated();
    Q_INVOKABLE void openDonationPage();

    // The start-up task itself (exposed for tests, which await it).
    QCoro::Task<> startUp();

signals:
    void loadedChanged();
    void launchCountChanged();
    void hasDonatedChanged();
    void showDonationPromptChanged();

private:
    QCoro::Task<> donationCheck();
    void setShowDonationPrompt(bool show);

    // Declaration order is creation order.
    std::unique_ptr<DataStore> m_store;
    std::unique_ptr<EngineController> m_engine;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<CleanupSettings> m_cleanup;
    std::unique_ptr<AppNavigation> m_navigation;
    std::unique_ptr<DialogueMixer> m_mixer;
    std::unique_ptr<CloneQueueController> m_cloneQueue;

    bool m_loaded = false;
    int m_launchCount = 0;
    bool m_hasDonated = false;
    bool m_showDonationPrompt = false;
};

} // namespace chorale
