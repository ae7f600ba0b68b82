// SPDX-License-Identifier: GPL-3.0-or-later
// The Dialogues section: the list of dialogues (or a narrow rail), and the selected dialogue's
// title, transport, zoom, export and timeline.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Chorale

Item {
    id: root

    readonly property bool sheetOpen: addRecording.visible || renameSheet.visible || exportDialog.visible

    DialoguesViewModel {
        id: viewModel

        app: App
        onSavePanelRequested: (proposedName, trackId) => exportDialog.openFor(proposedName, trackId)
    }

    Component.onCompleted: viewModel.appeared()
    Component.onDestruction: viewModel.disappeared()

    // Screen-wide keys; off while the title is being edited or a sheet is open.
    Shortcut {
        sequence: "Ctrl+N"
        enabled: !root.sheetOpen
        onActivated: viewModel.createProject()
    }
    Shortcut {
        sequence: "Ctrl+E"
        enabled: viewModel.hasClips && !viewModel.bouncing && !root.sheetOpen
        onActivated: viewModel.exportMix()
    }
    Shortcut {
        sequences: ["Delete", "Backspace"]
        enabled: viewModel.deleteClipEnabled && !root.sheetOpen
        onActivated: viewModel.deleteSelectedClip()
    }
    Shortcut {
        sequence: "Space"
        enabled: viewModel.playShortcutEnabled && !root.sheetOpen
        onActivated: viewModel.togglePlayback()
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            id: side

            Layout.fillHeight: true
            Layout.preferredWidth: viewModel.listCollapsed ? 40 : 236
            clip: true

            Behavior on Layout.preferredWidth {
                NumberAnimation {
                    duration: 160
                    easing.type: Easing.InOutQuad
                }
            }

            DialogueList {
                width: 236
                height: parent.height
                visible: !viewModel.listCollapsed
                screenModel: viewModel
                onRenameRequested: (dialogueId, name) => renameSheet.openFor(dialogueId, name)
            }

            Rectangle {
                width: 40
                height: parent.height
                visible: viewModel.listCollapsed
                color: Theme.primaryAt(0.03)

                Column {
                    anchors.horizontalCenter: parent.horizontalCenter
                    y: 20
                    spacing: 10

                    IconButton {
                        width: 28
                        height: 28
                        symbol: "chevron.right"
                        tip: "Show dialogues"
                        iconSize: 12
                        onClicked: viewModel.listCollapsed = false
                    }
                    IconButton {
                        width: 28
                        height: 28
                        symbol: "plus"
                        tip: "New dialogue"
                        onClicked: viewModel.createProject()
                    }
                }
            }
        }

        Rectangle {
            Layout.fillHeight: true
            implicitWidth: 1
            color: Theme.primaryAt(0.1)
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            EmptyState {
                anchors.fill: parent
                visible: !viewModel.hasSelection
                symbol: "text.bubble"
                title: "No dialogue selected"
                description: "Create a dialogue, or add cloned takes from Recordings."
            }

            ColumnLayout {
                anchors.fill: parent
                visible: viewModel.hasSelection
                spacing: 0

                RowLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 20
                    Layout.rightMargin: 20
                    Layout.topMargin: 24
                    Layout.bottomMargin: 12
                    spacing: 12

                    TextField {
                        id: titleField

                        Layout.fillWidth: true
                        Layout.minimumWidth: 120
                        placeholderText: "Dialogue name"
                        text: viewModel.nameDraft
                        font.pixelSize: Theme.largeTitle.size
                        font.weight: Font.Bold
                        background: Item {}
                        leftPadding: 0
                        onTextEdited: viewModel.nameDraft = text
                        onAccepted: viewModel.commitName()
                        onActiveFocusChanged: viewModel.nameFocused = activeFocus
                        Accessible.name: "Dialogue name"
                    }
                    IconButton {
                        symbol: viewModel.isPlaying ? "stop.fill" : "play.fill"
                        tip: viewModel.isPlaying ? "Stop" : "Play"
                        enabled: viewModel.hasClips && !viewModel.bouncing
                        onClicked: viewModel.togglePlayback()
                    }
                    StyledText {
                        Layout.preferredWidth: 72
                        text: viewModel.clockText
                        secondary: true
                        font.family: "monospace"
                        wrapMode: Text.NoWrap
                    }
                    Slider {
                        Layout.preferredWidth: 120
                        from: 40
                        to: 200
                        value: viewModel.pixelsPerSecond
                        onMoved: viewModel.pixelsPerSecond = value
                        ToolTip.visible: hovered
                        ToolTip.text: "Zoom"
                        ToolTip.delay: 500
                        Accessible.name: "Zoom"
                    }
                    Button {
                        text: "Add recording"
                        enabled: !viewModel.bouncing
                        onClicked: addRecording.openFor(viewModel.selectedId)
                    }
                    Button {
                        text: "Export full dialogue"
                        enabled: viewModel.hasClips && !viewModel.bouncing
                        onClicked: viewModel.exportMix()
                        ToolTip.visible: hovered
                        ToolTip.text: "Export full dialogue (Ctrl+E)"
                        ToolTip.delay: 500
                    }
                }

                RowLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 20
                    Layout.rightMargin: 20
                    Layout.bottomMargin: 8
                    visible: viewModel.bouncing
                    spacing: 10

                    ProgressBar {
                        Layout.preferredWidth: 160
                        indeterminate: true
                    }
                    StyledText {
                        text: "Exporting…"
                        secondary: true
                    }
                }

                TimelineView {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    visible: viewModel.hasClips
                    timeline: viewModel.timeline
                }

                EmptyState {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    visible: !viewModel.hasClips
                    symbol: "waveform"
                    title: "Empty dialogue"
                    description: "Add a cloned recording. It lands on that character’s track, or a new track if they aren’t in this dialogue yet."
                    actionText: "Add recording"
                    onAction: addRecording.openFor(viewModel.selectedId)
                }
            }
        }
    }

    FileDialog {
        id: exportDialog

        property string trackId

        function openFor(proposedName, track) {
            trackId = track
            currentFolder = viewModel.exportFolder()
            selectedFile = currentFolder + "/" + proposedName
            open()
        }

        title: "Export"
        acceptLabel: "Export"
        fileMode: FileDialog.SaveFile
        nameFilters: ["WAV audio (*.wav)"]
        defaultSuffix: "wav"
        onAccepted: viewModel.exportTo(selectedFile, trackId)
    }

    DestructiveConfirmation {
        title: "Delete this dialogue?"
        text: "Clips copied into this project will be removed."
        confirmText: "Delete"
        visible: viewModel.confirmDeleteId.length > 0
        onConfirmed: viewModel.confirmDelete()
        onCancelled: viewModel.cancelDelete()
    }

    AlertDialog {
        title: "Dialogue"
        text: viewModel.errorMessage
        visible: viewModel.errorMessage.length > 0
        onDismissed: viewModel.clearError()
    }

    RenameSheet {
        id: renameSheet

        property string dialogueId

        function openFor(id, currentName) {
            dialogueId = id
            openWith(currentName)
        }

        title: "Rename dialogue"
        placeholder: "Name"
        onRenamed: newName => viewModel.renameDialogue(dialogueId, newName)
    }

    AddRecordingSheet {
        id: addRecording
    }
}
