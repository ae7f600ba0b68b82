// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DialoguesViewModel.h"

#include "app/AppNavigation.h"
#include "audio/AudioPlayer.h"
#include "dialogue/DialogueMixer.h"
#include "dialogue/WaveformPeaks.h"
#include "model/Background.h"
#include "model/ChoraleError.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "model/Preferences.h"
#include "store/DataStore.h"
#include "ui/DateTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace chorale {

namespace {
// A track is worth exporting when one of its clips is longer than this.
constexpr double shortestExportable = 0.01;

bool hasAudibleClip(const DialogueProject &dialogue, const QUuid &trackId) {
    return std::any_of(dialogue.clips.cbegin(), dialogue.clips.cend(), [&](const DialogueClip &c) {
        return c.trackId == trackId && c.trimEnd - c.trimStart > shortestExportable;
    });
}
} // namespace

DialoguesViewModel::DialoguesViewModel(QObject *parent)
    : QObject(parent)
    , m_dialogues(
              {QStringLiteral("dialogueId"), QStringLiteral("name"), QStringLiteral("subtitle")},
              QStringLiteral("dialogueId")) {
    m_listCollapsed = openPreferences()->value(listCollapsedKey, false).toBool();
    m_timeline.setPixelsPerSecond(m_pixelsPerSecond);

    TimelineEditor::Callbacks callbacks;
    callbacks.onSeek = [this](double seconds) {
        if (const auto dialogue = selectedDialogue(); dialogue && m_app)
            m_app->mixer()->seek(seconds, *dialogue);
    };
    callbacks.onBeginEdit = [this] {
        if (m_app)
            m_app->mixer()->stopEngine();
    };
    callbacks.onChange = [this](const DialogueProject &edited) {
        if (!m_app)
            return;
        m_app->mixer()->stopEngine();
        m_app->store()->updateDialogue(edited);
    };
    callbacks.onDeleteClip = [this](const DialogueClip &clip) {
        const auto dialogue = selectedDialogue();
        if (!dialogue || !m_app)
            return;
        m_app->mixer()->stopEngine();
        if (m_timeline.selectedClip() == clip.id)
            m_timeline.setSelectedClip(std::nullopt);
        m_app->store()->removeClip(clip, *dialogue);
    };
    callbacks.onDeleteSelected = [this] { deleteSelectedClip(); };
    callbacks.onExportTrack = [this](const DialogueTrack &track) { exportTrack(idText(track.id)); };
    m_timeline.setCallbacks(std::move(callbacks));
    connect(&m_timeline, &TimelineEditor::selectedClipIdChanged, this,
            &DialoguesViewModel::stateChanged);
}

DialoguesViewModel::~DialoguesViewModel() {
    disappeared();
}

void DialoguesViewModel::setApp(ChoraleApp *app) {
    if (m_app == app)
        return;
    if (m_app) {
        disconnect(m_app->store(), nullptr, this, nullptr);
        disconnect(m_app->mixer(), nullptr, this, nullptr);
        disconnect(m_app->navigation(), nullptr, this, nullptr);
    }
    m_app = app;
    if (m_app) {
        connect(m_app->store(), &DataStore::dialoguesChanged, this,
                &DialoguesViewModel::storeChanged);
        connect(m_app->mixer(), &DialogueMixer::isPlayingChanged, this,
                &DialoguesViewModel::isPlayingChanged);
        connect(m_app->mixer(), &DialogueMixer::currentTimeChanged, this, [this] {
            m_timeline.setPlayhead(m_app->mixer()->currentTime());
            emit clockTextChanged();
        });
        connect(m_app->navigation(), &AppNavigation::openDialogueIDChanged, this, [this] {
            const auto requested = m_app->navigation()->openDialogueID();
            if (requested && !m_selecting)
                select(requested);
        });
        m_timeline.setPlayhead(m_app->mixer()->currentTime());
    }
    storeChanged();
    emit appChanged();
    emit isPlayingChanged();
    emit clockTextChanged();
}

QString DialoguesViewModel::selectedId() const {
    return m_selectedID ? idText(*m_selectedID) : QString();
}

std::optional<DialogueProject> DialoguesViewModel::selectedDialogue() const {
    return m_app ? m_app->store()->dialogue(m_selectedID) : std::nullopt;
}

void DialoguesViewModel::setNameDraft(const QString &draft) {
    if (m_nameDraft == draft)
        return;
    m_nameDraft = draft;
    emit nameDraftChanged();
}

void DialoguesViewModel::setNameFocused(bool focused) {
    if (m_nameFocused == focused)
        return;
    m_nameFocused = focused;
    emit nameFocusedChanged();
    emit stateChanged();
}

bool DialoguesViewModel::hasClips() const {
    const auto dialogue = selectedDialogue();
    return dialogue && !dialogue->clips.isEmpty();
}

bool DialoguesViewModel::canPlay() const {
    return hasClips() && !m_bouncing;
}

bool DialoguesViewModel::isPlaying() const {
    return m_app && m_app->mixer()->isPlaying();
}

QString DialoguesViewModel::clockText() const {
    return Formatters::clock(m_app ? m_app->mixer()->currentTime() : 0.0);
}

void DialoguesViewModel::setPixelsPerSecond(double pixelsPerSecond) {
    pixelsPerSecond = std::clamp(pixelsPerSecond, minimumZoom, maximumZoom);
    if (m_pixelsPerSecond == pixelsPerSecond)
        return;
    m_pixelsPerSecond = pixelsPerSecond;
    m_timeline.setPixelsPerSecond(pixelsPerSecond);
    emit pixelsPerSecondChanged();
}

void DialoguesViewModel::setListCollapsed(bool collapsed) {
    if (m_listCollapsed == collapsed)
        return;
    m_listCollapsed = collapsed;
    openPreferences()->setValue(listCollapsedKey, collapsed);
    emit listCollapsedChanged();
}

bool DialoguesViewModel::deleteClipEnabled() const {
    return m_timeline.selectedClip().has_value() && !m_nameFocused;
}

bool DialoguesViewModel::playShortcutEnabled() const {
    return canPlay() && !m_nameFocused;
}

void DialoguesViewModel::select(const QString &dialogueId) {
    select(parseId(dialogueId));
}

void DialoguesViewModel::select(const std::optional<QUuid> &id) {
    if (!m_app)
        return;
    if (const auto current = selectedDialogue(); current && id != m_selectedID)
        commitName(*current);
    const auto chosen = m_app->store()->dialogue(id);
    setSelectedID(id);
    setNameDraft(chosen ? chosen->name : QString());
    m_timeline.setSelectedClip(std::nullopt);
    if (id) {
        m_selecting = true;
        m_app->navigation()->setOpenDialogueID(id);
        m_selecting = false;
    }
    loadPeaks();
}

void DialoguesViewModel::setSelectedID(const std::optional<QUuid> &id) {
    if (m_selectedID == id)
        return;
    m_selectedID = id;
    if (m_app) {
        // Another dialogue: stop, and start its playhead at the beginning.
        m_app->mixer()->stopEngine();
        m_app->mixer()->seek(0, selectedDialogue().value_or(DialogueProject{}));
    }
    refreshTimeline();
    emit selectedIdChanged();
    emit stateChanged();
}

void DialoguesViewModel::commitName() {
    if (const auto dialogue = selectedDialogue())
        commitName(*dialogue);
}

void DialoguesViewModel::commitName(const DialogueProject &dialogue) {
    m_app->store()->renameDialogue(dialogue, m_nameDraft);
    if (const auto stored = m_app->store()->dialogue(dialogue.id))
        setNameDraft(stored->name);
}

void DialoguesViewModel::createProject() {
    if (!m_app)
        return;
    try {
        const DialogueProject created = m_app->store()->createDialogue(untitled);
        select(created.id);
    } catch (const std::exception &error) {
        setErrorMessage(describeError(error));
    }
}

void DialoguesViewModel::togglePlayback() {
    const auto dialogue = selectedDialogue();
    if (!dialogue || !canPlay())
        return;
    m_app->player()->stop();
    m_app->mixer()->toggle(*dialogue);
}

void DialoguesViewModel::deleteSelectedClip() {
    const auto dialogue = selectedDialogue();
    const auto clipId = m_timeline.selectedClip();
    if (!dialogue || !clipId)
        return;
    for (const DialogueClip &clip : dialogue->clips) {
        if (clip.id == *clipId) {
            m_app->mixer()->stopEngine();
            m_timeline.setSelectedClip(std::nullopt);
            m_app->store()->removeClip(clip, *dialogue);
            return;
        }
    }
}

void DialoguesViewModel::renameDialogue(const QString &dialogueId, const QString &name) {
    if (!m_app)
        return;
    const auto id = parseId(dialogueId);
    const auto dialogue = m_app->store()->dialogue(id);
    if (!dialogue)
        return;
    m_app->store()->renameDialogue(*dialogue, name);
    if (id == m_selectedID) {
        const auto stored = m_app->store()->dialogue(id);
        setNameDraft(stored ? stored->name : name);
    }
}

void DialoguesViewModel::requestDelete(const QString &dialogueId) {
    if (m_confirmDeleteId == dialogueId)
        return;
    m_confirmDeleteId = dialogueId;
    emit confirmDeleteIdChanged();
}

void DialoguesViewModel::cancelDelete() {
    requestDelete(QString());
}

void DialoguesViewModel::confirmDelete() {
    const auto dialogue =
            m_app ? m_app->store()->dialogue(parseId(m_confirmDeleteId)) : std::nullopt;
    if (dialogue) {
        m_app->mixer()->stopEngine();
        if (dialogue->id == m_selectedID) {
            // Gone in a moment: no title to commit.
            setSelectedID(std::nullopt);
            setNameDraft({});
        }
        m_app->store()->deleteDialogue(*dialogue);
    }
    cancelDelete();
    if (m_app && !m_selectedID) {
        const auto &all = m_app->store()->dialogues();
        select(all.isEmpty() ? std::nullopt : std::optional(all.first().id));
    }
}

void DialoguesViewModel::clearError() {
    setErrorMessage({});
}

void DialoguesViewModel::setErrorMessage(const QString &message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

void DialoguesViewModel::setBouncing(bool bouncing) {
    if (m_bouncing == bouncing)
        return;
    m_bouncing = bouncing;
    m_timeline.setExportEnabled(!bouncing);
    emit stateChanged();
}

QString DialoguesViewModel::exportFileName(const DialogueProject &dialogue,
                                           const std::optional<QString> &trackName) {
    const QString stamp = DateTexts::fileStamp(dialogue.updatedAt);
    const QString name = DateTexts::fileNamePart(dialogue.name);
    if (trackName)
        return QStringLiteral("Lyra-%1-%2-%3.wav")
                .arg(name, DateTexts::fileNamePart(*trackName), stamp);
    return QStringLiteral("Lyra-%1-dialogue-%2.wav").arg(name, stamp);
}

void DialoguesViewModel::requestSavePanel(const std::optional<DialogueTrack> &track) {
    const auto dialogue = selectedDialogue();
    if (!dialogue || m_bouncing)
        return;
    m_app->mixer()->stopEngine();
    m_app->player()->stop();
    emit savePanelRequested(
            exportFileName(*dialogue, track ? std::optional(track->name) : std::nullopt),
            track ? idText(track->id) : QString());
}

void DialoguesViewModel::exportMix() {
    if (hasClips())
        requestSavePanel(std::nullopt);
}

void DialoguesViewModel::exportTrack(const QString &trackId) {
    const auto dialogue = selectedDialogue();
    const auto id = parseId(trackId);
    if (!dialogue || !id || !hasAudibleClip(*dialogue, *id))
        return;
    for (const DialogueTrack &track : dialogue->tracks) {
        if (track.id == *id)
            requestSavePanel(track);
    }
}

QUrl DialoguesViewModel::exportFolder() const {
    if (!m_lastExportFolder.isEmpty() && QFileInfo(m_lastExportFolder).isDir())
        return QUrl::fromLocalFile(m_lastExportFolder);
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir())
        return QUrl::fromLocalFile(music);
    return QUrl::fromLocalFile(QDir::homePath());
}

void DialoguesViewModel::exportTo(const QUrl &destination, const QString &trackId) {
    if (!destination.isLocalFile())
        return;
    exportTask(destination.toLocalFile(), trackId.isEmpty() ? std::nullopt : parseId(trackId));
}

QCoro::Task<bool> DialoguesViewModel::exportTask(QString path, std::optional<QUuid> trackId) {
    const auto dialogue = selectedDialogue();
    if (!dialogue || m_bouncing)
        co_return false;
    if (!path.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive))
        path += QStringLiteral(".wav");
    m_lastExportFolder = QFileInfo(path).absolutePath();
    setBouncing(true);
    QPointer<DialoguesViewModel> self(this);
    QString failure;
    auto work = [project = *dialogue, path, trackId] {
        DialogueMixer::bounce(project, path, trackId);
    };
    try {
        co_await runInBackground(std::move(work));
    } catch (const std::exception &error) {
        failure = describeError(error);
    }
    if (!self)
        co_return failure.isEmpty();
    setBouncing(false);
    if (!failure.isEmpty())
        setErrorMessage(failure);
    co_return failure.isEmpty();
}

void DialoguesViewModel::appeared() {
    if (!m_app)
        return;
    if (const auto requested = m_app->navigation()->openDialogueID()) {
        select(requested);
    } else if (!m_selectedID) {
        const auto &all = m_app->store()->dialogues();
        select(all.isEmpty() ? std::nullopt : std::optional(all.first().id));
    }
}

void DialoguesViewModel::disappeared() {
    if (m_app)
        m_app->mixer()->stopEngine();
}

void DialoguesViewModel::storeChanged() {
    refreshList();
    refreshTimeline();
    loadPeaks();
    emit stateChanged();
}

void DialoguesViewModel::refreshList() {
    QList<QVariantMap> rows;
    if (m_app) {
        for (const DialogueProject &d : m_app->store()->dialogues()) {
            rows << QVariantMap{
                    {QStringLiteral("dialogueId"), idText(d.id)},
                    {QStringLiteral("name"), d.name},
                    {QStringLiteral("subtitle"), Formatters::duration(d.duration) +
                                                         QStringLiteral("  ·  ") +
                                                         DateTexts::abbreviated(d.updatedAt)},
            };
        }
    }
    m_dialogues.setRows(rows);
}

void DialoguesViewModel::refreshTimeline() {
    m_timeline.setProject(selectedDialogue());
}

void DialoguesViewModel::loadPeaks() {
    const auto dialogue = selectedDialogue();
    if (!dialogue)
        return;
    for (const DialogueClip &clip : dialogue->clips) {
        if (m_peaks.contains(clip.id) || m_peaksLoading.contains(clip.id))
            continue;
        m_peaksLoading.insert(clip.id);
        loadClipPeaks(clip.id, dialogue->audioURL(clip));
    }
}

QCoro::Task<> DialoguesViewModel::loadClipPeaks(QUuid clipId, QString path) {
    QPointer<DialoguesViewModel> self(this);
    // Named, not a temporary inside co_await: g++ 12 destroys such a lambda's captures twice.
    auto work = [path] { return WaveformPeaks::load(path, peakBins); };
    QList<float> peaks = co_await runInBackground(std::move(work));
    if (!self)
        co_return;
    m_peaksLoading.remove(clipId);
    m_peaks.insert(clipId, std::move(peaks));
    m_timeline.setPeaks(m_peaks);
    emit peaksLoaded();
}

} // namespace chorale
