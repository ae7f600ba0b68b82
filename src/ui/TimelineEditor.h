// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"
#include "ui/KeyedListModel.h"

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QUuid>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

namespace chorale {

// The multi-track timeline of the Dialogues screen: what it draws (tracks, lanes, clip blocks,
// ruler, playhead, the floating block of a move) and what its gestures do (seek, select, move,
// trim, delete, export a track). It owns no data: it shows the dialogue it is given and reports
// each finished edit as a whole edited dialogue through its callbacks. While a trim is dragged
// it shows a private working copy; a move is applied only on release. Main thread.
class TimelineEditor : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Each Dialogues screen has its own, as DialoguesViewModel.timeline")
    // {trackId, name, index, trackColor, headerOpacity, laneHighlighted, striped, exportEnabled,
    //  exportTip, exportMenuText}
    Q_PROPERTY(chorale::KeyedListModel *tracks READ tracks CONSTANT)
    // {clipId, trackIndex, clipX, clipY, clipWidth, color, selected, moving, characterName,
    //  peaks}
    Q_PROPERTY(chorale::KeyedListModel *clips READ clips CONSTANT)
    Q_PROPERTY(double contentWidth READ contentWidth NOTIFY layoutChanged)
    Q_PROPERTY(double totalHeight READ totalHeight NOTIFY layoutChanged)
    // {x, top, label} per whole second; label empty except every fifth second.
    Q_PROPERTY(QVariantList rulerTicks READ rulerTicks NOTIFY layoutChanged)
    Q_PROPERTY(double playheadX READ playheadX NOTIFY playheadXChanged)
    Q_PROPERTY(QString selectedClipId READ selectedClipId WRITE setSelectedClipId NOTIFY
                       selectedClipIdChanged)
    Q_PROPERTY(bool moving READ moving NOTIFY moveChanged)
    Q_PROPERTY(int hoverTrackIndex READ hoverTrackIndex NOTIFY moveChanged)
    // The floating block of a move: {x, y, width, color, characterName, peaks}; empty otherwise.
    Q_PROPERTY(QVariantMap movePreview READ movePreview NOTIFY moveChanged)
    Q_PROPERTY(double headerWidth READ headerWidth CONSTANT)
    Q_PROPERTY(double rulerHeight READ rulerHeight CONSTANT)
    Q_PROPERTY(double laneHeight READ laneHeight CONSTANT)
    Q_PROPERTY(double clipHeight READ clipHeight CONSTANT)
    Q_PROPERTY(double gripWidth READ gripWidth CONSTANT)
    // Pointer travel, in points, before a press on a block becomes a move and a press on a grip
    // becomes a trim.
    Q_PROPERTY(double moveThreshold READ moveThreshold CONSTANT)
    Q_PROPERTY(double trimThreshold READ trimThreshold CONSTANT)

public:
    struct Callbacks {
        std::function<void(double seconds)> onSeek;
        std::function<void()> onBeginEdit;
        std::function<void(const DialogueProject &)> onChange;
        std::function<void(const DialogueClip &)> onDeleteClip;
        std::function<void()> onDeleteSelected;
        std::function<void(const DialogueTrack &)> onExportTrack;
    };

    explicit TimelineEditor(QObject *parent = nullptr);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The dialogue as stored (none: nothing to show). Another dialogue drops any gesture.
    void setProject(const std::optional<DialogueProject> &project);
    const std::optional<DialogueProject> &project() const { return m_project; }
    // What is drawn: the trim's working copy while there is one, else the project.
    std::optional<DialogueProject> shown() const;
    void setPixelsPerSecond(double pixelsPerSecond);
    double pixelsPerSecond() const { return m_pixelsPerSecond; }
    void setPlayhead(double seconds);
    void setPeaks(const QHash<QUuid, QList<float>> &peaks);
    void setExportEnabled(bool enabled);

    std::optional<QUuid> selectedClip() const { return m_selectedClip; }
    void setSelectedClip(const std::optional<QUuid> &clipId);
    QString selectedClipId() const;
    void setSelectedClipId(const QString &clipId);

    KeyedListModel *tracks() { return &m_tracks; }
    KeyedListModel *clips() { return &m_clips; }
    double contentWidth() const { return m_contentWidth; }
    double totalHeight() const { return m_totalHeight; }
    QVariantList rulerTicks() const { return m_rulerTicks; }
    double playheadX() const { return m_playhead * m_pixelsPerSecond; }
    bool moving() const { return m_movingClip.has_value(); }
    bool trimming() const { return m_dragStart.has_value(); }
    int hoverTrackIndex() const;
    QVariantMap movePreview() const;
    static double headerWidth();
    static double rulerHeight();
    static double laneHeight();
    static double clipHeight();
    static double gripWidth();
    static double moveThreshold() { return 3; }
    static double trimThreshold() { return 1; }

    // Whether a track can be exported: it has a clip longer than 10 ms and no export runs.
    bool canExport(const DialogueTrack &track) const;

    // A press or drag at content position x moves the playhead there, unless a move or trim
    // is under way.
    Q_INVOKABLE void seek(double x);
    Q_INVOKABLE void selectClip(const QString &clipId);
    // A move drag of a block: each change with the translation so far, then the release.
    Q_INVOKABLE void moveClip(const QString &clipId, double dx, double dy);
    Q_INVOKABLE void finishMove(const QString &clipId, double dx, double dy);
    // A trim drag on a grip: each change with the horizontal translation so far, then the
    // release, which commits the working copy.
    Q_INVOKABLE void trimClip(const QString &clipId, bool startEdge, double dx);
    Q_INVOKABLE void finishTrim();
    // Delete or Forward Delete while the timeline has focus; true when the key was used.
    Q_INVOKABLE bool deletePressed();
    Q_INVOKABLE void deleteClip(const QString &clipId);
    Q_INVOKABLE void exportTrack(const QString &trackId);

signals:
    void layoutChanged();
    void playheadXChanged();
    void selectedClipIdChanged();
    void moveChanged();

private:
    std::optional<DialogueClip> clipInShown(const QUuid &id) const;
    int trackIndexOf(const DialogueProject &project, const QUuid &trackId) const;
    void resetGestures();
    void rebuild();

    Callbacks m_callbacks;
    std::optional<DialogueProject> m_project;
    std::optional<DialogueProject> m_draft;
    std::optional<DialogueClip> m_dragStart;
    std::optional<DialogueClip> m_movingClip;
    QPointF m_dragTranslation;
    std::optional<QUuid> m_selectedClip;
    double m_pixelsPerSecond = 80;
    double m_playhead = 0;
    QHash<QUuid, QList<float>> m_peaks;
    bool m_exportEnabled = true;

    KeyedListModel m_tracks;
    KeyedListModel m_clips;
    double m_contentWidth = 0;
    double m_totalHeight = 0;
    QVariantList m_rulerTicks;
};

} // namespace chorale
