// SPDX-License-Identifier: GPL-3.0-or-later
#include "clone/PromptGeneration.h"

#include "audio/AudioPlayer.h"
#include "clone/AudioEffects.h"
#include "engine/EngineController.h"
#include "model/Background.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "store/AudioFileTools.h"
#include "store/DataStore.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

namespace chorale::PromptGeneration {

QString titleFor(const QString &prompt) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\n\r\v\f\u0085\u2028\u2029]"));
    QString title = prompt.trimmed();
    title.replace(lineBreak, QStringLiteral(" "));
    title = title.trimmed();
    // Count user-perceived characters, so an accent or an emoji is never cut in half.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, title);
    int count = 0;
    while (graphemes.toNextBoundary() >= 0) {
        if (++count == titleLength) {
            const qsizetype end = graphemes.position();
            if (end < title.size())
                return title.left(end).trimmed() + QStringLiteral("…");
            break;
        }
    }
    return title;
}

QCoro::Task<Outcome> generate(Request request, DataStore &store, EngineController &engine,
                              AudioPlayer &player, std::function<void(const LibraryItem &)> saved) {
    Outcome outcome;
    const QString text = request.text.trimmed();
    if (text.isEmpty())
        co_return outcome;

    // The app may shut down while the engine speaks; then nothing more is written.
    const QPointer<DataStore> liveStore(&store);
    const QPointer<EngineController> liveEngine(&engine);
    const auto alive = [&] { return liveStore && liveEngine; };

    player.stop();

    const QString tmp = DataPaths::tmpFolder();
    if (!QDir().mkpath(tmp)) {
        outcome.error = QStringLiteral("Could not create the folder “%1”.").arg(tmp);
        co_return outcome;
    }
    const QString output =
            tmp + QStringLiteral("/prompt-") + idText(QUuid::createUuid()) + QStringLiteral(".wav");
    const QString reference =
            DataPaths::characterFolder(request.character.id) + u'/' + request.emotion.fileName;

    try {
        // Named before it is awaited: g++ 12 destroys some temporaries of a co_await twice.
        QCoro::Task<> speaking = engine.speak(text, output, reference, request.language);
        co_await std::move(speaking);
    } catch (const std::exception &error) {
        // Whatever the engine left behind is not speech anyone can use.
        QFile::remove(output);
        outcome.error = describeError(error);
        co_return outcome;
    }
    if (!alive())
        co_return outcome;

    double duration = 0;
    try {
        duration = AudioFileTools::duration(output);
    } catch (const std::exception &) {
    }
    LibraryItem item;
    try {
        item = store.saveOriginalRecording(duration, request.character, request.emotion,
                                           LibraryItem::promptDevice, output);
    } catch (const std::exception &error) {
        outcome.error = describeError(error);
        if (QFile::exists(output))
            outcome.keptSpeech = output;
        co_return outcome;
    }
    store.setRecordingTitle(titleFor(text), item.id);
    QFile::remove(output);
    outcome.take = store.item(item.id);
    if (saved)
        saved(*outcome.take);

    // The clone is the speech itself, with the effect applied when one is chosen.
    const QString original = DataPaths::originalFile(item.id);
    const QString effected = DataPaths::itemFolder(item.id) + QStringLiteral("/effected.wav");
    try {
        if (request.effect == CloneEffect::none) {
            store.attachConvertedAudio(item, original);
        } else {
            engine.setConvertMessage(effectMessage);
            const CloneEffect effect = request.effect;
            QCoro::Task<> rendering =
                    runInBackground([=] { AudioEffects::process(original, effected, effect); });
            co_await std::move(rendering);
            if (!alive())
                co_return outcome;
            store.attachConvertedAudio(item, effected);
        }
    } catch (const std::exception &error) {
        outcome.error = describeError(error);
    }
    // Neither the original nor the clone: a scratch file, also after a failed render.
    QFile::remove(effected);
    if (alive())
        outcome.take = store.item(item.id);
    co_return outcome;
}

} // namespace chorale::PromptGeneration
