// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTextStream>

#include <memory>

namespace chorale {
class AudioPlayer;
class CleanupSettings;
class CloneQueueController;
class DataStore;
class DialogueMixer;
class EngineController;
} // namespace chorale

namespace chorale::cli {

// One run of chorale-cli: the app's long-lived shared objects, created together in the app's
// own order (data store, engine controller, player, cleanup settings, dialogue mixer, clone
// queue; the window's navigation has no place here) and touching no file and starting no
// process until used. Every command of a run, and every line of a batch, works with the same
// instances, so the engine starts at most once. Also owns the output streams and prints the
// engine's start-up on standard error. Main thread.
class Session {
public:
    Session();
    // Stops the engine process and the dialogue mixer, as the app does when its window closes.
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // The data store, loaded (folders created, default characters seeded) on first use.
    DataStore &store();
    EngineController &engine() { return *m_engine; }
    AudioPlayer &player() { return *m_player; }
    CleanupSettings &cleanupSettings() { return *m_cleanup; }
    DialogueMixer &mixer() { return *m_mixer; }
    CloneQueueController &cloneQueue() { return *m_cloneQueue; }

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }

    // Progress lines (engine start-up, job phases, batch steps) are left out when quiet.
    bool quiet() const { return m_quiet; }
    void setQuiet(bool quiet) { m_quiet = quiet; }
    void progress(const QString &line);

    // True while a batch runs, so a batch cannot start another.
    bool inBatch() const { return m_inBatch; }
    void setInBatch(bool inBatch) { m_inBatch = inBatch; }

private:
    QTextStream m_out;
    QTextStream m_err;
    bool m_quiet = false;
    bool m_inBatch = false;
    bool m_loaded = false;
    QString m_lastProgress;
    QString m_lastEngineLine;

    // Declaration order is creation order, as in the app; destruction runs the other way.
    std::unique_ptr<DataStore> m_store;
    std::unique_ptr<EngineController> m_engine;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<CleanupSettings> m_cleanup;
    std::unique_ptr<DialogueMixer> m_mixer;
    std::unique_ptr<CloneQueueController> m_cloneQueue;
};

} // namespace chorale::cli
