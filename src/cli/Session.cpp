// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Session.h"

#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "dialogue/DialogueMixer.h"
#include "engine/EngineController.h"
#include "store/DataStore.h"

#include <cmath>
#include <cstdio>

namespace chorale::cli {

Session::Session()
    : m_out(stdout)
    , m_err(stderr)
    , m_store(std::make_unique<DataStore>())
    , m_engine(std::make_unique<EngineController>())
    , m_player(std::make_unique<AudioPlayer>())
    , m_cleanup(std::make_unique<CleanupSettings>())
    , m_mixer(std::make_unique<DialogueMixer>())
    , m_cloneQueue(std::make_unique<CloneQueueController>()) {
    // The engine's start-up, as the window's loading sheet would show it.
    QObject::connect(m_engine.get(), &EngineController::statusChanged, m_engine.get(), [this] {
        const EngineStatus &status = m_engine->status();
        const QString line = status.loading && status.progress > 0
                                     ? QStringLiteral("%1 %2%")
                                               .arg(status.message)
                                               .arg(std::lround(status.progress * 100))
                                     : status.message;
        if (line.isEmpty() || line == m_lastEngineLine)
            return;
        m_lastEngineLine = line;
        progress(QStringLiteral("engine: ") + line);
    });
}

Session::~Session() {
    m_engine->stop();
    m_mixer->stopEngine();
    m_out.flush();
    m_err.flush();
}

DataStore &Session::store() {
    if (!m_loaded) {
        m_loaded = true;
        m_store->load();
    }
    return *m_store;
}

void Session::progress(const QString &line) {
    if (m_quiet || line == m_lastProgress)
        return;
    m_lastProgress = line;
    // The results on standard output come first when both go to one terminal.
    m_out.flush();
    m_err << line << Qt::endl;
}

} // namespace chorale::cli
