// SPDX-License-Identifier: GPL-3.0-or-later
// chorale-cli: the app's core without a window, for scripts, batch work and end-to-end tests.
//   chorale-cli [--data-dir PATH] [--quiet] COMMAND [ARGS...]
#include "cli/Cli.h"
#include "cli/Session.h"
#include "model/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace chorale;
using namespace chorale::cli;

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("chorale-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHORALE_VERSION));

    Session session;
    QStringList args = app.arguments().mid(1);
    // Options of the whole run come before the command.
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString flag = args.takeFirst();
        if (flag == QStringLiteral("--data-dir")) {
            if (args.isEmpty() || args.first().isEmpty()) {
                session.err() << "chorale-cli: --data-dir needs a path" << Qt::endl;
                return ExitCode::usageError;
            }
            DataPaths::setRootOverride(QDir(args.takeFirst()).absolutePath());
        } else if (flag == QStringLiteral("--quiet")) {
            session.setQuiet(true);
        } else if (flag == QStringLiteral("--help")) {
            printCommandList(session.out());
            return ExitCode::ok;
        } else if (flag == QStringLiteral("--version")) {
            session.out() << "chorale-cli " << QCoreApplication::applicationVersion() << Qt::endl;
            return ExitCode::ok;
        } else {
            session.err() << "chorale-cli: unknown option " << flag << " (run 'chorale-cli --help')"
                          << Qt::endl;
            return ExitCode::usageError;
        }
    }
    return runCommandLine(session, args);
}
