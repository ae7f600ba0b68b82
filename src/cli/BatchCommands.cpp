// SPDX-License-Identifier: GPL-3.0-or-later
// `batch`: many commands in one process, so the shared objects (and the voice engine, once
// started) serve them all.
#include "cli/Cli.h"
#include "cli/Session.h"
#include "model/ChoraleError.h"

#include <QElapsedTimer>
#include <QFile>

namespace chorale::cli {

namespace {

struct BatchLine {
    int number = 0;
    QString text;
    QStringList words;
};

// Splits a line into words the way a shell does, without any expansion: blanks separate words;
// '…' keeps everything literally; "…" keeps everything but lets \" and \\ stand for " and \;
// outside quotes a backslash keeps the next character; # at the start of a word begins a comment.
QStringList splitWords(const QString &line) {
    QStringList words;
    QString word;
    bool inWord = false;
    enum class Quote { none, single, dual } quote = Quote::none;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        switch (quote) {
        case Quote::single:
            if (c == u'\'')
                quote = Quote::none;
            else
                word += c;
            continue;
        case Quote::dual:
            if (c == u'"') {
                quote = Quote::none;
            } else if (c == u'\\' && i + 1 < line.size() &&
                       (line[i + 1] == u'"' || line[i + 1] == u'\\')) {
                word += line[++i];
            } else {
                word += c;
            }
            continue;
        case Quote::none:
            break;
        }
        if (c == u' ' || c == u'\t') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else if (c == u'#' && !inWord) {
            break;
        } else if (c == u'\'') {
            quote = Quote::single;
            inWord = true;
        } else if (c == u'"') {
            quote = Quote::dual;
            inWord = true;
        } else if (c == u'\\') {
            if (i + 1 == line.size())
                throw UsageError{QStringLiteral("a backslash ends the line")};
            word += line[++i];
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quote != Quote::none)
        throw UsageError{QStringLiteral("a quote is not closed")};
    if (inWord)
        words << word;
    return words;
}

// Every command of the file, checked before any runs.
QList<BatchLine> readBatch(const QString &name, QIODevice &file) {
    QList<BatchLine> lines;
    int number = 0;
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        QStringList words;
        try {
            words = splitWords(text);
        } catch (const UsageError &error) {
            throw UsageError{QStringLiteral("%1:%2: %3").arg(name).arg(number).arg(error.message)};
        }
        if (words.isEmpty())
            continue;
        if (words.first() == QStringLiteral("chorale-cli"))
            words.removeFirst();
        const auto refuse = [&](const QString &why) {
            throw UsageError{QStringLiteral("%1:%2: %3").arg(name).arg(number).arg(why)};
        };
        if (words.isEmpty())
            refuse(QStringLiteral("no command after chorale-cli"));
        if (words.first().startsWith(u'-'))
            refuse(QStringLiteral("options of the whole run (%1) go before 'batch'")
                           .arg(words.first()));
        if (words.first() == QStringLiteral("batch"))
            refuse(QStringLiteral("a batch cannot run another batch"));
        lines.append({number, text, words});
    }
    return lines;
}

QString seconds(qint64 milliseconds) {
    return QStringLiteral("%1 s").arg(milliseconds / 1000.0, 0, 'f', 2);
}

int batch(Context &ctx) {
    const QString name = ctx.argument(0, QStringLiteral("FILE"));
    QFile file;
    if (name == QStringLiteral("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            throw ChoraleError::platform(QStringLiteral("Could not read standard input."));
    } else {
        file.setFileName(ctx.existingFile(0));
        if (!file.open(QIODevice::ReadOnly))
            throw ChoraleError::platform(QStringLiteral("%1: %2").arg(name, file.errorString()));
    }
    const QList<BatchLine> lines = readBatch(name, file);
    const bool keepGoing = ctx.parser().isSet(QStringLiteral("keep-going"));

    Session &session = ctx.session();
    session.setInBatch(true);
    QElapsedTimer total;
    total.start();
    int worst = ExitCode::ok;
    int failures = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const BatchLine &line = lines[i];
        const QString step = QStringLiteral("[%1/%2]").arg(i + 1).arg(lines.size());
        ctx.progress(step + u' ' + line.text);
        QElapsedTimer clock;
        clock.start();
        const int code = runCommandLine(session, line.words);
        if (code == ExitCode::ok) {
            ctx.progress(QStringLiteral("%1 done in %2").arg(step, seconds(clock.elapsed())));
            continue;
        }
        ++failures;
        worst = std::max(worst, code);
        ctx.progress(QStringLiteral("%1 failed (exit %2) after %3")
                             .arg(step)
                             .arg(code)
                             .arg(seconds(clock.elapsed())));
        if (!keepGoing) {
            ctx.err() << "batch: stopped at line " << line.number << " of " << name << Qt::endl;
            session.setInBatch(false);
            return code;
        }
    }
    session.setInBatch(false);
    ctx.progress(QStringLiteral("batch: %1 commands in %2%3")
                         .arg(lines.size())
                         .arg(seconds(total.elapsed()))
                         .arg(failures ? QStringLiteral(", %1 failed").arg(failures) : QString()));
    return worst;
}

const Registration batchCommand({
        "batch",
        "FILE [--keep-going]",
        "Run a file of commands, one per line, in one process (the engine starts once).",
        [](QCommandLineParser &p) {
            p.addOption({"keep-going", "Run the remaining lines after a failure (the exit code "
                                       "is then the worst one)."});
        },
        batch,
        "Each line is a chorale-cli command without 'chorale-cli' (it may be there), quoted as "
        "in a shell: 'single' or \"double\" quotes, a backslash before a single character. "
        "Blank lines and lines starting with # are skipped. FILE - reads standard input. "
        "The whole file is checked first; a malformed line runs nothing. Options of the whole "
        "run (--data-dir, --quiet) go before 'batch'.\n\n"
        "Each line's outcome and wall time are shown on standard error; the batch stops at "
        "the first failing line and exits with its code.\n\n"
        "Example:\n"
        "  engine start\n"
        "  speak \"Guten Morgen!\" --character \"Default Female\" --language de\n"
        "  speak 'こんにちは。' --character \"Default Male\" --language ja --effect robot",
});

} // namespace

} // namespace chorale::cli
