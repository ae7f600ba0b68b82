// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChoraleApp.h"

#include "app/AppNavigation.h"
#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "dialogue/DialogueMixer.h"
#include "engine/EngineController.h"
#include "model/Preferences.h"
#include "store/DataStore.h"

#include <QDesktopServices>
#include <QPointer>
#include <qcoro/qcorotimer.h>

#include <chrono>

namespace chorale {

ChoraleApp::ChoraleApp(QObject *parent)
    : QObject(parent)
    , m_store(std::make_unique<DataStore>())
    , m_engine(std::make_unique<EngineController>())
    , m_player(std::make_unique<AudioPlayer>())
    , m_cleanup(std::make_unique<CleanupSettings>())
    , m_navigation(std::make_unique<AppNavigation>())
    , m_mixer(std::make_unique<DialogueMixer>())
    , m_cloneQueue(std::make_unique<CloneQueueController>()) {
    auto preferences = openPreferences();
    m_launchCount = preferences->value(launchCountKey, 0).toInt();
    m_hasDonated = preferences->value(hasDonatedKey, false).toBool();
}

ChoraleApp::~ChoraleApp() = default;

QUrl ChoraleApp::donationURL() const {
    return QUrl(QStringLiteral(CHORALE_DONATION_URL));
}

bool ChoraleApp::isDonationLaunch(int launchCount) {
    return launchCount == 3 || launchCount == 10 || launchCount == 20;
}

void ChoraleApp::contentAppeared() {
    startUp();
}

QCoro::Task<> ChoraleApp::startUp() {
    m_store->load();
    if (!m_loaded) {
        m_loaded = true;
        emit loadedChanged();
    }
    co_await donationCheck();
}

QCoro::Task<> ChoraleApp::donationCheck() {
    if (m_hasDonated)
        co_return;
    ++m_launchCount;
    openPreferences()->setValue(launchCountKey, m_launchCount);
    emit launchCountChanged();
    if (!isDonationLaunch(m_launchCount))
        co_return;
    // Never over the model sheet: wait until the engine has finished loading.
    QPointer<ChoraleApp> self(this);
    while (m_engine->loading() && !m_engine->ready()) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(400));
        if (!self)
            co_return;
    }
    setShowDonationPrompt(true);
}

void ChoraleApp::contentDisappeared() {
    m_engine->stop();
    m_mixer->stopEngine();
}

void ChoraleApp::donateLater() {
    setShowDonationPrompt(false);
}

void ChoraleApp::alreadyDonated() {
    if (!m_hasDonated) {
        m_hasDonated = true;
        openPreferences()->setValue(hasDonatedKey, true);
        emit hasDonatedChanged();
    }
    setShowDonationPrompt(false);
}

void ChoraleApp::openDonationPage() {
    QDesktopServices::openUrl(donationURL());
}

void ChoraleApp::setShowDonationPrompt(bool show) {
    if (m_showDonationPrompt == show)
        return;
    m_showDonationPrompt = show;
    emit showDonationPromptChanged();
}

} // namespace chorale
