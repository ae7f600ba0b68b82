// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EngineLauncher.h"

#include "engine/EnginePaths.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"

#include <QFileInfo>
#include <QProcessEnvironment>

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace chorale {

namespace {

void makeFolder(const QString &path, bool privateIfNew) {
    if (QFileInfo(path).isDir())
        return;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()), error);
    if (error) {
        throw ChoraleError::platform(QStringLiteral("Could not create the folder “%1”: %2")
                                             .arg(path, QString::fromStdString(error.message())));
    }
    // Voice recordings are private: a new data root is readable by its owner only.
    if (privateIfNew)
        ::chmod(QFile::encodeName(path).constData(), 0700);
}

// Lets go of a process without waiting for it: a running one is asked to terminate and
// deletes itself once it has.
void release(std::unique_ptr<QProcess> process) {
    QProcess *p = process.release();
    if (p->state() == QProcess::NotRunning) {
        p->deleteLater();
        return;
    }
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    p->terminate();
}

} // namespace

EngineLauncher::EngineLauncher() = default;

EngineLauncher::~EngineLauncher() {
    stop();
}

bool EngineLauncher::isRunning() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

void EngineLauncher::launch() {
    // Never a second engine.
    if (isRunning())
        return;
    if (m_process)
        release(std::move(m_process));
    m_log.reset();

    const QString python = EnginePaths::pythonURL();
    const QString script = EnginePaths::serverURL();

    const QString root = DataPaths::root();
    makeFolder(root, true);
    makeFolder(DataPaths::modelsFolder(), false);

    auto log = std::make_unique<QFile>(DataPaths::engineLog());
    if (!log->open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw ChoraleError::platform(log->errorString());
    m_log = std::move(log);

    const QString socket = DataPaths::engineSocket();
    QFile::remove(socket); // a leftover from an engine that crashed

    auto process = std::make_unique<QProcess>();
    process->setProgram(python);
    process->setArguments({script, QStringLiteral("--unix-socket"), socket});
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    // Both streams append to the log emptied above, so neither overwrites the other.
    process->setStandardOutputFile(m_log->fileName(), QIODevice::Append);
    process->setStandardErrorFile(m_log->fileName(), QIODevice::Append);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString models = DataPaths::modelsFolder();
    environment.insert(QStringLiteral("PYTORCH_ENABLE_MPS_FALLBACK"), QStringLiteral("1"));
    environment.insert(QStringLiteral("HYDRA_FULL_ERROR"), QStringLiteral("1"));
    environment.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1"));
    environment.insert(QStringLiteral("HF_HUB_DISABLE_TELEMETRY"), QStringLiteral("1"));
    environment.insert(QStringLiteral("HF_HOME"), models);
    environment.insert(QStringLiteral("TRANSFORMERS_CACHE"),
                       models + QStringLiteral("/transformers"));
    environment.insert(QStringLiteral("CHORALE_HF_CACHE"), models + QStringLiteral("/checkpoints"));
    environment.insert(QStringLiteral("CHORALE_DATA_DIR"), root);
    process->setProcessEnvironment(environment);

    // An engine shipped without its voice-conversion checkout keeps the app's working
    // directory rather than failing to start.
    if (const auto folder = EnginePaths::workingDirectory())
        process->setWorkingDirectory(*folder);

    process->start();
    if (!process->waitForStarted(-1))
        throw ChoraleError::platform(process->errorString());
    m_process = std::move(process);
}

void EngineLauncher::stop() {
    if (m_process)
        release(std::move(m_process));
    m_log.reset();
    QFile::remove(DataPaths::engineSocket());
}

} // namespace chorale
