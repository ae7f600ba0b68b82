// SPDX-License-Identifier: GPL-3.0-or-later
// chorale-cli: the app's core without a window, for batch work and end-to-end tests.
//   chorale-cli [--data-dir PATH] COMMAND [ARGS...]
#include "cli/Cli.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <algorithm>

using namespace chorale;
using namespace chorale::cli;

namespace {

void printCommandList(QTextStream &stream) {
    stream << "usage: chorale-cli [--data-dir PATH] COMMAND [ARGS...]\n\ncommands:\n";
    QList<Command> sorted = commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const Command &a, const Command &b) { return a.name < b.name; });
    for (const Command &c : sorted) {
        const QString head = c.name + (c.synopsis.isEmpty() ? QString() : u' ' + c.synopsis);
        stream << "  " << head.leftJustified(52) << ' ' << c.summary << '\n';
    }
    stream << "\nRun 'chorale-cli COMMAND --help' for the options of one command.\n";
    stream.flush();
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

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("chorale-cli"));
    QTextStream err(stderr);
    QTextStream out(stdout);

    QStringList args = app.arguments().mid(1);
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString flag = args.takeFirst();
        if (flag == QStringLiteral("--data-dir") && !args.isEmpty()) {
            DataPaths::setRootOverride(QDir(args.takeFirst()).absolutePath());
        } else if (flag == QStringLiteral("--help")) {
            printCommandList(out);
            return ExitCode::ok;
        } else {
            err << "chorale-cli: unknown option " << flag << '\n';
            printCommandList(err);
            return ExitCode::usageError;
        }
    }
    if (args.isEmpty() || args.first() == QStringLiteral("help")) {
        printCommandList(args.isEmpty() ? err : out);
        return args.isEmpty() ? ExitCode::usageError : ExitCode::ok;
    }

    int words = 0;
    const Command *command = findCommand(args, words);
    if (!command) {
        err << "chorale-cli: unknown command '" << args.first() << "'\n";
        printCommandList(err);
        return ExitCode::usageError;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(command->summary);
    parser.addHelpOption();
    if (command->configure)
        command->configure(parser);
    const QString usage =
            QStringLiteral("usage: chorale-cli %1 %2").arg(command->name, command->synopsis);
    QStringList parsed = args.mid(words);
    parsed.prepend(QStringLiteral("chorale-cli ") + command->name);
    if (!parser.parse(parsed)) {
        err << "chorale-cli " << command->name << ": " << parser.errorText() << '\n'
            << usage << '\n';
        return ExitCode::usageError;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << usage << "\n\n" << command->summary << "\n\n" << parser.helpText().section(u'\n', 2);
        return ExitCode::ok;
    }

    Context context(*command, parser);
    try {
        return command->run(context);
    } catch (const UsageError &error) {
        err << "chorale-cli " << command->name << ": " << error.message << '\n' << usage << '\n';
        return ExitCode::usageError;
    } catch (const std::exception &error) {
        err << describeError(error) << '\n';
        return ExitCode::userError;
    }
}
