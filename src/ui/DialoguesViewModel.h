// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ChoraleApp.h"
#include "ui/KeyedListModel.h"
#include "ui/TimelineEditor.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace chorale {

// The Dialogues screen's rules: the list of dialogues and the selected one, its title draft,
// playback through the shared mixer, zoom, clip edits from the timeline, waveform peaks loaded
// in the background, and exports of the mix or one track. Everything but the list preference
// starts afresh with each screen. Main thread.
class DialoguesViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(chorale::ChoraleApp *app READ app WRITE setApp NOTIFY appChanged)
    // {dialogueId, name, subtitle} in store order.
    Q_PROPERTY(chorale::KeyedListModel *dialogues READ dialogues CONSTANT)
    Q_PROPERTY(chorale::TimelineEditor *timeline READ timeline CONSTANT)
    Q_PROPERTY(QString selectedId READ selectedId NOTIFY selectedIdChanged)
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY selectedIdChanged)
    Q_PROPERTY(QString nameDraft READ nameDraft WRITE setNameDraft NOTIFY nameDraftChanged)
    Q_PROPERTY(bool nameFocused READ nameFocused WRITE setNameFocused NOTIFY nameFocusedChanged)
    Q_PROPERTY(bool hasClips READ hasClips NOTIFY stateChanged)
    Q_PROPERTY(bool canPlay READ canPlay NOTIFY stateChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(QString clockText READ clockText NOTIFY clockTextChanged)
    Q_PROPERTY(double pixelsPerSecond READ pixelsPerSecond WRITE setPixelsPerSecond NOTIFY
                       pixelsPerSecondChanged)
    Q_PROPERTY(bool bouncing READ bouncing NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool listCollapsed READ listCollapsed WRITE setListCollapsed NOTIFY
                       listCollapsedChanged)
    // The screen-wide Delete and Space shortcuts.
    Q_PROPERTY(bool deleteClipEnabled READ deleteClipEnabled NOTIFY stateChanged)
    Q_PROPERTY(bool playShortcutEnabled READ playShortcutEnabled NOTIFY stateChanged)
    // The dialogue awaiting the delete confirmation, or empty.
    Q_PROPERTY(QString confirmDeleteId READ confirmDeleteId NOTIFY confirmDeleteIdChanged)

public:
    static inline const QString listCollapsedKey = QStringLiteral("chl.dialoguesListCollapsed");
    static inline const QString untitled = QStringLiteral("Untitled dialogue");
    static constexpr double minimumZoom = 40;
    static constexpr double maximumZoom = 200;
    static constexpr int peakBins = 256;

    explicit DialoguesViewModel(QObject *parent = nullptr);
    ~DialoguesViewModel() override;

    ChoraleApp *app() const { return m_app; }
    void setApp(ChoraleApp *app);
    KeyedListModel *dialogues() { return &m_dialogues; }
    TimelineEditor *timeline() { return &m_timeline; }

    QString selectedId() const;
    std::optional<QUuid> selectedID() const { return m_selectedID; }
    bool hasSelection() const { return selectedDialogue().has_value(); }
    std::optional<DialogueProject> selectedDialogue() const;
    QString nameDraft() const { return m_nameDraft; }
    void setNameDraft(const QString &draft);
    bool nameFocused() const { return m_nameFocused; }
    void setNameFocused(bool focused);
    bool hasClips() const;
    bool canPlay() const;
    bool isPlaying() const;
    QString clockText() const;
    double pixelsPerSecond() const { return m_pixelsPerSecond; }
    void setPixelsPerSecond(double pixelsPerSecond);
    bool bouncing() const { return m_bouncing; }
    QString errorMessage() const { return m_errorMessage; }
    bool listCollapsed() const { return m_listCollapsed; }
    void setListCollapsed(bool collapsed);
    bool deleteClipEnabled() const;
    bool playShortcutEnabled() const;
    QString confirmDeleteId() const { return m_confirmDeleteId; }
    const QHash<QUuid, QList<float>> &peaks() const { return m_peaks; }

    // Every change of selection goes through here; leaving a dialogue commits its title.
    Q_INVOKABLE void select(const QString &dialogueId);
    void select(const std::optional<QUuid> &id);
    // Return in the title field.
    Q_INVOKABLE void commitName();
    Q_INVOKABLE void createProject();
    Q_INVOKABLE void togglePlayback();
    Q_INVOKABLE void deleteSelectedClip();
    Q_INVOKABLE void renameDialogue(const QString &dialogueId, const QString &name);
    Q_INVOKABLE void requestDelete(const QString &dialogueId);
    Q_INVOKABLE void confirmDelete();
    Q_INVOKABLE void cancelDelete();
    Q_INVOKABLE void clearError();

    // "Export full dialogue" and a track's export button: stop playback, then ask QML for a
    // place (savePanelRequested). exportTo runs the export to the chosen file.
    Q_INVOKABLE void exportMix();
    Q_INVOKABLE void exportTrack(const QString &trackId);
    Q_INVOKABLE void exportTo(const QUrl &destination, const QString &trackId);
    Q_INVOKABLE QUrl exportFolder() const;
    QCoro::Task<bool> exportTask(QString path, std::optional<QUuid> trackId);

    // The file name the save panel proposes: "Lyra-<name>-dialogue-<stamp>.wav" for the mix,
    // "Lyra-<name>-<track>-<stamp>.wav" for one track.
    static QString exportFileName(const DialogueProject &dialogue,
                                  const std::optional<QString> &trackName);

    Q_INVOKABLE void appeared();
    Q_INVOKABLE void disappeared();

    // Starts loading the peaks of every clip of the selected dialogue not loaded yet.
    void loadPeaks();

signals:
    void appChanged();
    void selectedIdChanged();
    void nameDraftChanged();
    void nameFocusedChanged();
    void stateChanged();
    void isPlayingChanged();
    void clockTextChanged();
    void pixelsPerSecondChanged();
    void errorMessageChanged();
    void listCollapsedChanged();
    void confirmDeleteIdChanged();
    // QML shows the save panel with this proposed name, then calls exportTo (or nothing).
    void savePanelRequested(const QString &proposedName, const QString &trackId);
    // A clip's peaks arrived.
    void peaksLoaded();

private:
    void commitName(const DialogueProject &dialogue);
    void storeChanged();
    void refreshList();
    void refreshTimeline();
    void setSelectedID(const std::optional<QUuid> &id);
    void requestSavePanel(const std::optional<DialogueTrack> &track);
    QCoro::Task<> loadClipPeaks(QUuid clipId, QString path);
    void setErrorMessage(const QString &message);
    void setBouncing(bool bouncing);

    QPointer<ChoraleApp> m_app;
    KeyedListModel m_dialogues;
    TimelineEditor m_timeline;
    std::optional<QUuid> m_selectedID;
    QString m_nameDraft;
    bool m_nameFocused = false;
    double m_pixelsPerSecond = 80;
    QHash<QUuid, QList<float>> m_peaks;
    QSet<QUuid> m_peaksLoading;
    bool m_bouncing = false;
    QString m_errorMessage;
    bool m_listCollapsed = false;
    QString m_confirmDeleteId;
    QString m_lastExportFolder;
    // Set while select() writes the navigation's dialogue, so its echo is not a new request.
    bool m_selecting = false;
};

} // namespace chorale
