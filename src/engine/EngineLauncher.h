// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QProcess>

#include <memory>

namespace chorale {

// Starts the voice engine process with its fixed command line, environment, working directory
// and log, and stops it. Never waits for the engine: a launch returns once the process runs,
// and a stop only asks it to terminate. Owned by EngineController; main thread only.
class EngineLauncher {
public:
    EngineLauncher();
    ~EngineLauncher();
    EngineLauncher(const EngineLauncher &) = delete;
    EngineLauncher &operator=(const EngineLauncher &) = delete;

    // Starts the engine unless the one launched before still runs. Throws
    // ChoraleError::engineUnavailable when the script or an interpreter is missing, and the
    // platform's error when the data folders, the log or the process cannot be made.
    void launch();
    // Asks the engine to terminate (SIGTERM), closes the log and deletes the socket file.
    void stop();

    // A launched process exists (running or not).
    bool hasProcess() const { return bool(m_process); }
    // A launched process exists and is still running.
    bool isRunning() const;

private:
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QFile> m_log;
};

} // namespace chorale
