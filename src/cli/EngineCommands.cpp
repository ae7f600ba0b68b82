// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on the voice engine: starting it ahead of the first job and showing where it would
// be found. $CHORALE_ENGINE_SCRIPT, when set, names an engine script tried before the usual
// locations; $CHORALE_ENGINE_BACKEND chooses the engine's backend (see engine/README.md).
#include "cli/Cli.h"
#include "engine/EngineController.h"
#include "engine/EnginePaths.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"

#include <QDir>
#include <QJsonObject>

namespace chorale::cli {

namespace {

QJsonObject statusJson(const EngineStatus &status) {
    return {{"ready", status.ready},
            {"loading", status.loading},
            {"started", status.started},
            {"progress", status.progress},
            {"message", status.message},
            {"error", status.error ? QJsonValue(*status.error) : QJsonValue(QJsonValue::Null)}};
}

QCoro::Task<int> startEngine(Context &ctx) {
    EngineController &engine = ctx.engine();
    co_await engine.ensureStarted();
    if (ctx.json())
        ctx.printJson(statusJson(engine.status()));
    else
        ctx.out() << engine.status().message << Qt::endl;
    co_return int(ExitCode::ok);
}

int paths(Context &ctx) {
    QJsonObject found;
    QStringList errors;
    const auto find = [&](const char *key, auto locate) {
        try {
            found[key] = locate();
        } catch (const ChoraleError &error) {
            found[key] = QJsonValue::Null;
            errors << error.message();
        }
    };
    find("script", [] { return EnginePaths::serverURL(); });
    find("interpreter", [] { return EnginePaths::pythonURL(); });
    find("workingDirectory",
         [] { return EnginePaths::workingDirectory().value_or(QDir::currentPath()); });
    found["socket"] = DataPaths::engineSocket();
    found["log"] = DataPaths::engineLog();

    if (ctx.json()) {
        ctx.printJson(found);
    } else {
        const auto show = [&](const char *label, const char *key) {
            const QJsonValue value = found[key];
            ctx.out() << label << (value.isNull() ? QStringLiteral("not found") : value.toString())
                      << '\n';
        };
        show("Script:            ", "script");
        show("Interpreter:       ", "interpreter");
        show("Working directory: ", "workingDirectory");
        show("Socket:            ", "socket");
        show("Log:               ", "log");
        ctx.out().flush();
    }
    for (const QString &error : errors)
        ctx.err() << error << Qt::endl;
    return errors.isEmpty() ? ExitCode::ok : ExitCode::userError;
}

const Registration startCommand({
        "engine start",
        "[--json]",
        "Start the voice engine and wait until its models are ready.",
        [](QCommandLineParser &p) { addJsonOption(p, "Print the engine's status as JSON."); },
        [](Context &ctx) { return ctx.await(startEngine(ctx)); },
        "Every command that needs the engine starts it by itself; this one only starts it "
        "ahead of time (in a batch, or to download the models once). Each step of the start-up "
        "is shown on standard error. The engine stops when chorale-cli ends; its output goes to "
        "engine.log in the data directory.",
});

const Registration pathsCommand({
        "engine paths",
        "[--json]",
        "Show the engine script, Python interpreter, socket and log that would be used.",
        [](QCommandLineParser &p) { addJsonOption(p); },
        paths,
});

} // namespace

} // namespace chorale::cli
