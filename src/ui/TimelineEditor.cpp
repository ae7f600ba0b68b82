// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TimelineEditor.h"

#include "dialogue/ClipEditing.h"
#include "model/Formatters.h"
#include "model/Identifiers.h"
#include "ui/TimelineGeometry.h"

#include <QColor>

namespace chorale {

namespace Geo = TimelineGeometry;

namespace {
// Clips whose audible part is this short or shorter do not count as exportable.
constexpr double shortestExportable = 0.01;

QVariantList peakValues(const QList<float> &peaks) {
    QVariantList values;
    values.reserve(peaks.size());
    for (const float p : peaks)
        values << double(p);
    return values;
}
} // namespace

TimelineEditor::TimelineEditor(QObject *parent)
    : QObject(parent)
    , m_tracks({QStringLiteral("trackId"), QStringLiteral("name"), QStringLiteral("index"),
                QStringLiteral("trackColor"), QStringLiteral("headerOpacity"),
                QStringLiteral("laneHighlighted"), QStringLiteral("striped"),
                QStringLiteral("exportEnabled"), QStringLiteral("exportTip"),
                QStringLiteral("exportMenuText")},
               QStringLiteral("trackId"))
    , m_clips({QStringLiteral("clipId"), QStringLiteral("trackIndex"), QStringLiteral("clipX"),
               QStringLiteral("clipY"), QStringLiteral("clipWidth"), QStringLiteral("color"),
               QStringLiteral("selected"), QStringLiteral("moving"),
               QStringLiteral("characterName"), QStringLiteral("peaks")},
              QStringLiteral("clipId")) {
    rebuild();
}

double TimelineEditor::headerWidth() {
    return Geo::headerWidth;
}
double TimelineEditor::rulerHeight() {
    return Geo::rulerHeight;
}
double TimelineEditor::laneHeight() {
    return Geo::laneHeight;
}
double TimelineEditor::clipHeight() {
    return Geo::clipHeight;
}
double TimelineEditor::gripWidth() {
    return Geo::gripWidth;
}

void TimelineEditor::setProject(const std::optional<DialogueProject> &project) {
    const auto idOf = [](const std::optional<DialogueProject> &p) {
        return p ? std::optional(p->id) : std::nullopt;
    };
    if (idOf(project) != idOf(m_project))
        resetGestures();
    m_project = project;
    rebuild();
}

std::optional<DialogueProject> TimelineEditor::shown() const {
    return m_draft ? m_draft : m_project;
}

void TimelineEditor::setPixelsPerSecond(double pixelsPerSecond) {
    if (m_pixelsPerSecond == pixelsPerSecond || !(pixelsPerSecond > 0))
        return;
    m_pixelsPerSecond = pixelsPerSecond;
    rebuild();
    emit playheadXChanged();
}

void TimelineEditor::setPlayhead(double seconds) {
    if (m_playhead == seconds)
        return;
    m_playhead = seconds;
    emit playheadXChanged();
}

void TimelineEditor::setPeaks(const QHash<QUuid, QList<float>> &peaks) {
    m_peaks = peaks;
    rebuild();
}

void TimelineEditor::setExportEnabled(bool enabled) {
    if (m_exportEnabled == enabled)
        return;
    m_exportEnabled = enabled;
    rebuild();
}

void TimelineEditor::setSelectedClip(const std::optional<QUuid> &clipId) {
    if (m_selectedClip == clipId)
        return;
    m_selectedClip = clipId;
    rebuild();
    emit selectedClipIdChanged();
}

QString TimelineEditor::selectedClipId() const {
    return m_selectedClip ? idText(*m_selectedClip) : QString();
}

void TimelineEditor::setSelectedClipId(const QString &clipId) {
    setSelectedClip(parseId(clipId));
}

int TimelineEditor::trackIndexOf(const DialogueProject &project, const QUuid &trackId) const {
    for (int i = 0; i < project.tracks.size(); ++i) {
        if (project.tracks[i].id == trackId)
            return i;
    }
    return -1;
}

std::optional<DialogueClip> TimelineEditor::clipInShown(const QUuid &id) const {
    const auto project = shown();
    if (!project)
        return std::nullopt;
    for (const DialogueClip &clip : project->clips) {
        if (clip.id == id)
            return clip;
    }
    return std::nullopt;
}

int TimelineEditor::hoverTrackIndex() const {
    const auto project = shown();
    if (!m_movingClip || !project)
        return -1;
    return Geo::trackIndex(std::max(trackIndexOf(*project, m_movingClip->trackId), 0),
                           m_dragTranslation.y(), int(project->tracks.size()));
}

QVariantMap TimelineEditor::movePreview() const {
    const auto project = shown();
    if (!m_movingClip || !project)
        return {};
    const DialogueClip &clip = *m_movingClip;
    const int track = std::max(trackIndexOf(*project, clip.trackId), 0);
    return {
            {QStringLiteral("x"), Geo::clipX(clip, m_pixelsPerSecond) + m_dragTranslation.x()},
            {QStringLiteral("y"), Geo::clipY(track) + m_dragTranslation.y()},
            {QStringLiteral("width"),
             std::max(m_pixelsPerSecond * clip.audibleLength(), Geo::minimumPreviewWidth)},
            {QStringLiteral("color"), Geo::trackColor(track)},
            {QStringLiteral("characterName"), clip.characterName},
            {QStringLiteral("peaks"), peakValues(Geo::slicedPeaks(m_peaks.value(clip.id), clip))},
    };
}

bool TimelineEditor::canExport(const DialogueTrack &track) const {
    if (!m_exportEnabled)
        return false;
    const auto project = shown();
    if (!project)
        return false;
    for (const DialogueClip &clip : project->clips) {
        if (clip.trackId == track.id && clip.trimEnd - clip.trimStart > shortestExportable)
            return true;
    }
    return false;
}

void TimelineEditor::seek(double x) {
    if (m_movingClip || m_dragStart)
        return;
    if (m_callbacks.onSeek)
        m_callbacks.onSeek(Geo::secondsAt(x, m_pixelsPerSecond));
}

void TimelineEditor::selectClip(const QString &clipId) {
    if (const auto id = parseId(clipId); id && clipInShown(*id))
        setSelectedClip(id);
}

void TimelineEditor::moveClip(const QString &clipId, double dx, double dy) {
    if (!m_movingClip) {
        const auto id = parseId(clipId);
        const auto clip = id ? clipInShown(*id) : std::nullopt;
        if (!clip)
            return;
        if (m_callbacks.onBeginEdit)
            m_callbacks.onBeginEdit();
        m_movingClip = clip;
        setSelectedClip(clip->id);
    }
    m_dragTranslation = QPointF(dx, dy);
    rebuild();
    emit moveChanged();
}

void TimelineEditor::finishMove(const QString &clipId, double dx, double dy) {
    const auto id = m_movingClip ? std::optional(m_movingClip->id) : parseId(clipId);
    const auto project = shown();
    const auto current = id ? clipInShown(*id) : std::nullopt;
    const DialogueClip origin = m_movingClip ? *m_movingClip : current.value_or(DialogueClip{});
    m_movingClip.reset();
    m_dragTranslation = {};
    std::optional<DialogueProject> moved;
    if (project && current && !project->tracks.isEmpty()) {
        const int from = std::max(trackIndexOf(*project, origin.trackId), 0);
        const int to = Geo::trackIndex(from, dy, int(project->tracks.size()));
        moved = ClipEditing::move(*project, origin, dx / m_pixelsPerSecond, project->tracks[to].id);
    }
    rebuild();
    emit moveChanged();
    if (moved && m_callbacks.onChange)
        m_callbacks.onChange(*moved);
}

void TimelineEditor::trimClip(const QString &clipId, bool startEdge, double dx) {
    const auto id = parseId(clipId);
    if (!id)
        return;
    DialogueClip origin;
    if (m_dragStart && m_dragStart->id == *id) {
        origin = *m_dragStart;
    } else {
        const auto clip = clipInShown(*id);
        if (!clip)
            return;
        if (!m_dragStart && m_callbacks.onBeginEdit)
            m_callbacks.onBeginEdit();
        m_dragStart = clip;
        origin = *clip;
    }
    setSelectedClip(*id);
    const auto project = shown();
    if (!project)
        return;
    const double delta = dx / m_pixelsPerSecond;
    auto trimmed = startEdge ? ClipEditing::trimStart(*project, origin, delta)
                             : ClipEditing::trimEnd(*project, origin, delta);
    if (trimmed)
        m_draft = std::move(trimmed);
    rebuild();
}

void TimelineEditor::finishTrim() {
    const auto committed = m_draft;
    m_draft.reset();
    m_dragStart.reset();
    rebuild();
    if (committed && m_callbacks.onChange)
        m_callbacks.onChange(*committed);
}

bool TimelineEditor::deletePressed() {
    if (!m_selectedClip)
        return false;
    if (m_callbacks.onDeleteSelected)
        m_callbacks.onDeleteSelected();
    return true;
}

void TimelineEditor::deleteClip(const QString &clipId) {
    const auto id = parseId(clipId);
    const auto clip = id ? clipInShown(*id) : std::nullopt;
    if (clip && m_callbacks.onDeleteClip)
        m_callbacks.onDeleteClip(*clip);
}

void TimelineEditor::exportTrack(const QString &trackId) {
    const auto project = shown();
    const auto id = parseId(trackId);
    if (!project || !id)
        return;
    for (const DialogueTrack &track : project->tracks) {
        if (track.id == *id && canExport(track) && m_callbacks.onExportTrack)
            m_callbacks.onExportTrack(track);
    }
}

void TimelineEditor::resetGestures() {
    const bool wasMoving = m_movingClip.has_value();
    m_draft.reset();
    m_dragStart.reset();
    m_movingClip.reset();
    m_dragTranslation = {};
    if (wasMoving)
        emit moveChanged();
}

void TimelineEditor::rebuild() {
    const auto project = shown();
    const int hover = hoverTrackIndex();
    QList<QVariantMap> trackRows;
    QList<QVariantMap> clipRows;
    if (project) {
        for (int i = 0; i < project->tracks.size(); ++i) {
            const DialogueTrack &track = project->tracks[i];
            bool hasAudio = false;
            for (const DialogueClip &clip : project->clips)
                hasAudio = hasAudio || (clip.trackId == track.id &&
                                        clip.trimEnd - clip.trimStart > shortestExportable);
            trackRows << QVariantMap{
                    {QStringLiteral("trackId"), idText(track.id)},
                    {QStringLiteral("name"), track.name},
                    {QStringLiteral("index"), i},
                    {QStringLiteral("trackColor"), Geo::trackColor(i)},
                    {QStringLiteral("headerOpacity"), hover == i ? 0.22 : 0.12},
                    {QStringLiteral("laneHighlighted"), hover == i},
                    {QStringLiteral("striped"), i % 2 == 0},
                    {QStringLiteral("exportEnabled"), canExport(track)},
                    {QStringLiteral("exportTip"),
                     hasAudio ? QStringLiteral("Export ") + track.name + QStringLiteral(" as WAV")
                              : QStringLiteral("No clips on this track")},
                    {QStringLiteral("exportMenuText"),
                     QStringLiteral("Export ") + track.name + QStringLiteral("…")},
            };
        }
        for (const DialogueClip &clip : project->clips) {
            const int track = trackIndexOf(*project, clip.trackId);
            if (track < 0)
                continue;
            clipRows << QVariantMap{
                    {QStringLiteral("clipId"), idText(clip.id)},
                    {QStringLiteral("trackIndex"), track},
                    {QStringLiteral("clipX"), Geo::clipX(clip, m_pixelsPerSecond)},
                    {QStringLiteral("clipY"), Geo::clipY(track)},
                    {QStringLiteral("clipWidth"), Geo::clipWidth(clip, m_pixelsPerSecond)},
                    {QStringLiteral("color"), Geo::trackColor(track)},
                    {QStringLiteral("selected"), m_selectedClip == clip.id},
                    {QStringLiteral("moving"), m_movingClip && m_movingClip->id == clip.id},
                    {QStringLiteral("characterName"), clip.characterName},
                    {QStringLiteral("peaks"),
                     peakValues(Geo::slicedPeaks(m_peaks.value(clip.id), clip))},
            };
        }
    }
    m_tracks.setRows(trackRows);
    m_clips.setRows(clipRows);

    const double duration = project ? project->duration : 0;
    const double width = project ? Geo::contentWidth(duration, m_pixelsPerSecond) : 0;
    const double height = Geo::totalHeight(project ? int(project->tracks.size()) : 0);
    QVariantList ticks;
    if (project) {
        for (const Geo::RulerTick &tick : Geo::rulerTicks(duration, m_pixelsPerSecond))
            ticks << QVariantMap{{QStringLiteral("x"), tick.x},
                                 {QStringLiteral("top"), tick.top},
                                 {QStringLiteral("label"),
                                  tick.labelled ? Formatters::clock(tick.seconds) : QString()}};
    }
    if (width != m_contentWidth || height != m_totalHeight || ticks != m_rulerTicks) {
        m_contentWidth = width;
        m_totalHeight = height;
        m_rulerTicks = ticks;
        emit layoutChanged();
    }
}

} // namespace chorale
