// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "engine/EngineController.h"
#include "model/ChoraleError.h"
#include "store/DataStore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace chorale::cli {

namespace {
QList<Command> &table() {
    static QList<Command> commands;
    return commands;
}
} // namespace

Registration::Registration(Command command) {
    table() << std::move(command);
}

const QList<Command> &commands() {
    return table();
}

Context::Context(const Command &command, QCommandLineParser &parser)
    : m_command(command)
    , m_parser(parser)
    , m_out(stdout)
    , m_err(stderr) {}

Context::~Context() = default;

QString Context::argument(int index, const QString &what) const {
    const QStringList args = positional();
    if (index >= args.size())
        throw UsageError{QStringLiteral("missing %1").arg(what)};
    return args[index];
}

void Context::printJson(const QJsonValue &value) {
    const QJsonDocument doc =
            value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    m_out << doc.toJson(QJsonDocument::Indented);
    m_out.flush();
}

DataStore &Context::store() {
    if (!m_store) {
        m_store = std::make_unique<DataStore>();
        m_store->load();
    }
    return *m_store;
}

EngineController &Context::engine() {
    if (!m_engine)
        m_engine = std::make_unique<EngineController>();
    return *m_engine;
}

CleanupSettings &Context::cleanupSettings() {
    if (!m_cleanupSettings)
        m_cleanupSettings = std::make_unique<CleanupSettings>();
    return *m_cleanupSettings;
}

AudioPlayer &Context::player() {
    if (!m_player)
        m_player = std::make_unique<AudioPlayer>();
    return *m_player;
}

CloneQueueController &Context::cloneQueue() {
    if (!m_cloneQueue)
        m_cloneQueue = std::make_unique<CloneQueueController>();
    return *m_cloneQueue;
}

int Context::await(QCoro::Task<int> &&task) {
    int code = ExitCode::userError;
    bool finished = false;
    auto continuation = task.then(
            [&](int result) {
                code = result;
                finished = true;
                QCoreApplication::exit(0);
            },
            [&](const std::exception &error) {
                m_err << describeError(error) << Qt::endl;
                code = ExitCode::userError;
                finished = true;
                QCoreApplication::exit(0);
            });
    if (!finished)
        QCoreApplication::exec();
    return code;
}

} // namespace chorale::cli
