// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on the voice engine: starting it on demand and showing where it would be found.
// $CHORALE_ENGINE_SCRIPT, when set, names an engine script tried before the usual locations.
#include "cli/Cli.h"
#include "engine/EngineController.h"
#include "engine/EnginePaths.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"

#include <QDir>
#include <QObject>

#include <cmath>

namespace chorale::cli {

namespace {

QString statusLine(const EngineStatus &status) {
    if (status.loading && status.progress > 0)
        return QStringLiteral("%1 %2%").arg(status.message).arg(std::lround(status.progress * 100));
    return status.message;
}

QCoro::Task<int> startEngine(EngineController &engine) {
    co_await engine.ensureStarted();
    co_return int(ExitCode::ok);
}

int start(Context &ctx) {
    EngineController &engine = ctx.engine();
    QString printed;
    QObject::connect(&engine, &EngineController::statusChanged, &engine, [&] {
        const QString line = statusLine(engine.status());
        if (line == printed)
            return;
        printed = line;
        ctx.out() << line << Qt::endl;
    });
    // On failure the status error is printed (to stderr) by await().
    return ctx.await(startEngine(engine));
}

int paths(Context &ctx) {
    int code = ExitCode::ok;
    QStringList errors;
    const auto show = [&](const char *label, auto find) {
        QString value;
        try {
            value = find();
        } catch (const ChoraleError &error) {
            value = QStringLiteral("not found");
            errors << error.message();
            code = ExitCode::userError;
        }
        ctx.out() << label << value << '\n';
    };
    show("Script:            ", [] { return EnginePaths::serverURL(); });
    show("Interpreter:       ", [] { return EnginePaths::pythonURL(); });
    show("Working directory: ",
         [] { return EnginePaths::workingDirectory().value_or(QDir::currentPath()); });
    ctx.out() << "Socket:            " << DataPaths::engineSocket() << '\n'
              << "Log:               " << DataPaths::engineLog() << Qt::endl;
    for (const QString &error : errors)
        ctx.err() << error << Qt::endl;
    return code;
}

const Registration startCommand({
        "engine start",
        "",
        "Start the voice engine and wait until its models are ready; prints each status change.",
        {},
        start,
});

const Registration pathsCommand({
        "engine paths",
        "",
        "Show the engine script and Python interpreter that would be used.",
        {},
        paths,
});

} // namespace

} // namespace chorale::cli
