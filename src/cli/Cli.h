// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineParser>
#include <QJsonValue>
#include <QStringList>
#include <QTextStream>
#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>

namespace chorale {
class AudioPlayer;
class CleanupSettings;
class CloneQueueController;
class DataStore;
class EngineController;
} // namespace chorale

namespace chorale::cli {

// Exit codes shared by every command.
enum ExitCode { ok = 0, userError = 1, usageError = 2 };

// Thrown for wrong arguments; printed with the command's usage and exit code 2.
struct UsageError {
    QString message;
};

class Context;

struct Command {
    QString name;     // one or more words: "list", "engine start"
    QString synopsis; // arguments after the name: "NAME FILE [--emotion NAME]"
    QString summary;  // one line for the command list
    // Declares options and positional arguments on the parser.
    std::function<void(QCommandLineParser &)> configure;
    std::function<int(Context &)> run;
};

// Adds a command to the global table; use through a file-level `static const Registration`.
struct Registration {
    explicit Registration(Command command);
};

const QList<Command> &commands();

// Everything a running command needs: its parsed arguments, output streams, and the app's
// shared objects, created on first use exactly as the app creates them.
class Context {
public:
    Context(const Command &command, QCommandLineParser &parser);
    ~Context();

    const Command &command() const { return m_command; }
    QCommandLineParser &parser() { return m_parser; }
    QStringList positional() const { return m_parser.positionalArguments(); }
    // The positional argument at `index`, or a usage error naming `what`.
    QString argument(int index, const QString &what) const;
    bool json() const { return m_parser.isSet(QStringLiteral("json")); }

    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }
    void printJson(const QJsonValue &value);

    // The data store, loaded (folders created, default characters seeded) on first use.
    DataStore &store();

    // The engine controller, created on first use; the engine it starts is stopped when the
    // command ends.
    EngineController &engine();

    // The cleanup toggles (read from the preferences), the take player and the clone queue,
    // each created on first use.
    CleanupSettings &cleanupSettings();
    AudioPlayer &player();
    CloneQueueController &cloneQueue();

    // Runs a coroutine to completion on the event loop and returns its exit code. Exceptions
    // escaping the task are reported like any command failure.
    int await(QCoro::Task<int> &&task);

private:
    const Command &m_command;
    QCommandLineParser &m_parser;
    QTextStream m_out;
    QTextStream m_err;
    std::unique_ptr<DataStore> m_store;
    std::unique_ptr<EngineController> m_engine;
    std::unique_ptr<CleanupSettings> m_cleanupSettings;
    std::unique_ptr<AudioPlayer> m_player;
    // Last: it goes first, before the objects its jobs use.
    std::unique_ptr<CloneQueueController> m_cloneQueue;
};

} // namespace chorale::cli
