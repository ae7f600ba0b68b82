// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/CloneOptions.h"

#include <QCommandLineParser>
#include <QJsonValue>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <qcoro/qcorotask.h>

#include <functional>

namespace chorale {
class AudioPlayer;
class CleanupSettings;
class CloneQueueController;
class DataStore;
class DialogueMixer;
class EngineController;
} // namespace chorale

// chorale-cli's command table and what every command runs with. Each *Commands.cpp file
// registers its own commands with a file-level `Registration`.
namespace chorale::cli {

class Session;

// Exit codes shared by every command: 0 done; 1 the app refused or failed (its message is
// printed); 2 the command line itself is wrong (the command's usage is printed).
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
    // More help, shown by `chorale-cli COMMAND --help` after the options.
    QString details = {};
};

// Adds a command to the global table; use through a file-level `static const Registration`.
struct Registration {
    explicit Registration(Command command);
};

const QList<Command> &commands();

// Runs one command line (command words, then its arguments) against `session`: parses it,
// prints help or usage errors, runs the command and reports its failure. Returns the exit code.
int runCommandLine(Session &session, const QStringList &arguments);

// The command list, as `chorale-cli --help` prints it.
void printCommandList(QTextStream &stream);

// The options every listing shares.
void addJsonOption(QCommandLineParser &parser, const QString &what = QStringLiteral("Print JSON."));

// Everything a running command needs: its parsed arguments, the output streams and the app's
// shared objects (owned by the session, so a batch shares them between its commands).
class Context {
public:
    Context(Session &session, const Command &command, QCommandLineParser &parser);

    Session &session() { return m_session; }
    const Command &command() const { return m_command; }
    QCommandLineParser &parser() { return m_parser; }
    QStringList positional() const { return m_parser.positionalArguments(); }
    // The positional argument at `index`, or a usage error naming `what`.
    QString argument(int index, const QString &what) const;
    // The option's value, or nothing when it was not given.
    std::optional<QString> option(const QString &name) const;
    // Whether --json was given (commands without the option never see it).
    bool json() const { return m_parser.optionNames().contains(QStringLiteral("json")); }

    // Results go to standard output; progress and failures to standard error.
    QTextStream &out();
    QTextStream &err();
    void printJson(const QJsonValue &value);
    // One line of progress on standard error (nothing with --quiet); a line equal to the one
    // before is not repeated.
    void progress(const QString &line);

    // An input file that must exist, as an absolute path; a user error when it does not.
    QString existingFile(int index, const QString &what = QStringLiteral("FILE")) const;
    // --effect NAME, checked against the effect names; `none` when not given.
    CloneEffect effectOption() const;

    // The shared objects, created when the session starts exactly as the app creates them;
    // the store is loaded on first use.
    DataStore &store();
    EngineController &engine();
    AudioPlayer &player();
    CleanupSettings &cleanupSettings();
    DialogueMixer &mixer();
    CloneQueueController &cloneQueue();

    // Runs a coroutine to completion on the event loop and returns its exit code. Exceptions
    // escaping the task are reported like any command failure.
    int await(QCoro::Task<int> &&task);

private:
    Session &m_session;
    const Command &m_command;
    QCommandLineParser &m_parser;
};

// Prints a running job's phase on standard error as it changes ("Speaking… 40%"): when its
// message changes or its progress reaches the next tenth. Connect the signals that announce a
// change to refresh() with receiver() as the context; they are disconnected with this object.
class JobProgress {
public:
    struct Phase {
        QString message;
        double progress = 0;
    };

    JobProgress(Context &context, std::function<Phase()> read);
    void refresh();
    QObject *receiver() { return &m_receiver; }
    // Also follows the engine's job message and progress.
    void followEngine(EngineController &engine);

private:
    void show();

    Context &m_context;
    std::function<Phase()> m_read;
    bool m_scheduled = false;
    QString m_lastMessage;
    int m_lastTenth = -1;
    QObject m_receiver;
};

// "none|echo|robot|walkieTalkie"
QString effectNames();

} // namespace chorale::cli
