// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include "cli/Session.h"
#include "engine/EngineController.h"
#include "model/ChoraleError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace chorale::cli {

namespace {

QList<Command> &table() {
    static QList<Command> commands;
    return commands;
}

// The command whose (possibly multi-word) name matches the most leading arguments.
const Command *findCommand(const QStringList &args, int &wordsUsed) {
    const Command *best = nullptr;
    wordsUsed = 0;
    for (const Command &c : commands()) {
        const QStringList words = c.name.split(u' ');
        if (words.size() > args.size() || words.size() <= wordsUsed)
            continue;
        if (std::equal(words.begin(), words.end(), args.begin())) {
            best = &c;
            wordsUsed = int(words.size());
        }
    }
    return best;
}

QString usageLine(const Command &command) {
    return QStringLiteral("usage: chorale-cli %1%2")
            .arg(command.name, command.synopsis.isEmpty() ? QString() : u' ' + command.synopsis);
}

void printHelp(QTextStream &out, const Command &command, const QCommandLineParser &parser) {
    out << usageLine(command) << "\n\n" << command.summary << '\n';
    // Qt's help starts with its own usage and description lines; the options follow.
    const QString options = parser.helpText().section(u'\n', 2).trimmed();
    if (!options.isEmpty())
        out << '\n' << options << '\n';
    if (!command.details.isEmpty())
        out << '\n' << command.details.trimmed() << '\n';
    out.flush();
}

} // namespace

Registration::Registration(Command command) {
    table() << std::move(command);
}

const QList<Command> &commands() {
    return table();
}

void printCommandList(QTextStream &stream) {
    stream << "usage: chorale-cli [--data-dir PATH] [--quiet] COMMAND [ARGS...]\n\n"
              "The Chorale core without a window: characters, takes, cloning, prompts, "
              "dialogues.\nResults go to standard output, progress and errors to standard "
              "error.\n\ncommands:\n";
    QList<Command> sorted = commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const Command &a, const Command &b) { return a.name < b.name; });
    for (const Command &c : sorted)
        stream << "  " << c.name.leftJustified(18) << ' ' << c.summary << '\n';
    stream << "\noptions:\n"
              "  --data-dir PATH    use PATH as the data directory instead of "
              "~/.local/share/Chorale\n"
              "  --quiet            no progress lines on standard error\n"
              "  --version          print the version\n"
              "\nexit codes: 0 done, 1 the app refused or failed (its message is printed), "
              "2 wrong usage\n"
              "Run 'chorale-cli COMMAND --help' (or 'chorale-cli help COMMAND') for one "
              "command.\n";
    stream.flush();
}

void addJsonOption(QCommandLineParser &parser, const QString &what) {
    parser.addOption({QStringLiteral("json"), what});
}

int runCommandLine(Session &session, const QStringList &arguments) {
    QTextStream &out = session.out();
    QTextStream &err = session.err();
    QStringList args = arguments;
    bool help = false;
    if (!args.isEmpty() && args.first() == QStringLiteral("help")) {
        args.removeFirst();
        if (args.isEmpty()) {
            printCommandList(out);
            return ExitCode::ok;
        }
        help = true;
    }
    if (args.isEmpty()) {
        printCommandList(err);
        return ExitCode::usageError;
    }

    int words = 0;
    const Command *command = findCommand(args, words);
    if (!command) {
        err << "chorale-cli: unknown command '" << args.first()
            << "' (run 'chorale-cli --help' for the list)" << Qt::endl;
        return ExitCode::usageError;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(command->summary);
    // Qt's own help option would also offer --help-all with Qt's options, which mean nothing here.
    parser.addOption(
            {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")});
    if (command->configure)
        command->configure(parser);
    QStringList parsed = args.mid(words);
    parsed.prepend(QStringLiteral("chorale-cli ") + command->name);
    if (!parser.parse(parsed)) {
        err << "chorale-cli " << command->name << ": " << parser.errorText() << '\n'
            << usageLine(*command) << Qt::endl;
        return ExitCode::usageError;
    }
    if (help || parser.isSet(QStringLiteral("help"))) {
        printHelp(out, *command, parser);
        return ExitCode::ok;
    }

    Context context(session, *command, parser);
    int code = ExitCode::userError;
    try {
        code = command->run(context);
    } catch (const UsageError &error) {
        err << "chorale-cli " << command->name << ": " << error.message << '\n'
            << usageLine(*command) << Qt::endl;
        code = ExitCode::usageError;
    } catch (const std::exception &error) {
        err << describeError(error) << Qt::endl;
        code = ExitCode::userError;
    }
    out.flush();
    err.flush();
    return code;
}

Context::Context(Session &session, const Command &command, QCommandLineParser &parser)
    : m_session(session)
    , m_command(command)
    , m_parser(parser) {}

QString Context::argument(int index, const QString &what) const {
    const QStringList args = positional();
    if (index >= args.size())
        throw UsageError{QStringLiteral("missing %1").arg(what)};
    return args[index];
}

std::optional<QString> Context::option(const QString &name) const {
    if (!m_parser.isSet(name))
        return std::nullopt;
    return m_parser.value(name);
}

QTextStream &Context::out() {
    return m_session.out();
}

QTextStream &Context::err() {
    return m_session.err();
}

void Context::printJson(const QJsonValue &value) {
    const QJsonDocument doc =
            value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    out() << doc.toJson(QJsonDocument::Indented);
    out().flush();
}

void Context::progress(const QString &line) {
    m_session.progress(line);
}

QString Context::existingFile(int index, const QString &what) const {
    const QString path = argument(index, what);
    const QFileInfo info(path);
    if (!info.exists())
        throw ChoraleError::platform(QStringLiteral("No such file: %1").arg(path));
    if (!info.isFile())
        throw ChoraleError::platform(QStringLiteral("Not a file: %1").arg(path));
    return info.absoluteFilePath();
}

QString effectNames() {
    QStringList names;
    for (const CloneEffect effect : allCloneEffects())
        names << rawValue(effect);
    return names.join(u'|');
}

CloneEffect Context::effectOption() const {
    const auto name = option(QStringLiteral("effect"));
    if (!name)
        return CloneEffect::none;
    const auto chosen = cloneEffectFromRaw(*name);
    if (!chosen)
        throw UsageError{QStringLiteral("unknown effect '%1' (use %2)").arg(*name, effectNames())};
    return *chosen;
}

DataStore &Context::store() {
    return m_session.store();
}

EngineController &Context::engine() {
    return m_session.engine();
}

AudioPlayer &Context::player() {
    return m_session.player();
}

CleanupSettings &Context::cleanupSettings() {
    return m_session.cleanupSettings();
}

DialogueMixer &Context::mixer() {
    return m_session.mixer();
}

CloneQueueController &Context::cloneQueue() {
    return m_session.cloneQueue();
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
                err() << describeError(error) << Qt::endl;
                code = ExitCode::userError;
                finished = true;
                QCoreApplication::exit(0);
            });
    if (!finished)
        QCoreApplication::exec();
    return code;
}

JobProgress::JobProgress(Context &context, std::function<Phase()> read)
    : m_context(context)
    , m_read(std::move(read)) {}

void JobProgress::refresh() {
    // Several values change together (the engine sets progress, then message); look once they
    // have all changed, on the next turn of the event loop.
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, &m_receiver, [this] {
        m_scheduled = false;
        show();
    });
}

void JobProgress::show() {
    const Phase phase = m_read();
    if (phase.message.isEmpty())
        return;
    const int tenth = int(std::floor(std::clamp(phase.progress, 0.0, 1.0) * 10));
    if (phase.message == m_lastMessage && tenth <= m_lastTenth)
        return;
    m_lastMessage = phase.message;
    m_lastTenth = tenth;
    m_context.progress(phase.progress > 0 ? QStringLiteral("%1 %2%")
                                                    .arg(phase.message)
                                                    .arg(std::lround(phase.progress * 100))
                                          : phase.message);
}

void JobProgress::followEngine(EngineController &engine) {
    QObject::connect(&engine, &EngineController::convertMessageChanged, &m_receiver,
                     [this] { refresh(); });
    QObject::connect(&engine, &EngineController::convertProgressChanged, &m_receiver,
                     [this] { refresh(); });
}

} // namespace chorale::cli
