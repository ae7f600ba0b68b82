// SPDX-License-Identifier: GPL-3.0-or-later
// Lists the cloned takes; one click adds a take at the end of its character's track.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Sheet {
    id: root

    property alias form: form

    function openFor(dialogueId) {
        form.projectId = dialogueId
        form.reset()
        open()
        searchField.forceActiveFocus()
    }

    sheetWidth: 520
    height: 540

    AddRecordingForm {
        id: form

        app: App
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 14

        StyledText {
            text: "Add recording"
            textStyle: Theme.title2
        }
        StyledText {
            Layout.fillWidth: true
            text: "Click a cloned take to add it. It goes on that character’s track, or a new track if they aren’t in this dialogue yet."
            textStyle: Theme.callout
            secondary: true
        }
        TextField {
            id: searchField

            Layout.fillWidth: true
            placeholderText: "Search recordings"
            text: form.query
            onTextEdited: form.query = text
        }
        ListView {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: form.recordings.count > 0
            clip: true
            spacing: 2
            model: form.recordings
            ScrollBar.vertical: ScrollBar {}

            delegate: ItemDelegate {
                id: recording

                required property string itemId
                required property string displayTitle
                required property string detailLine

                width: ListView.view.width
                onClicked: {
                    if (form.add(itemId))
                        root.close()
                }
                contentItem: RowLayout {
                    spacing: 12

                    Item {
                        Layout.preferredWidth: 28
                        implicitHeight: 28
                        ThemedIcon {
                            anchors.centerIn: parent
                            symbol: "waveform.badge.mic"
                            size: 20
                            tint: Theme.accent
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        StyledText {
                            Layout.fillWidth: true
                            text: recording.displayTitle
                            textStyle: Theme.headline
                            elide: Text.ElideRight
                            wrapMode: Text.NoWrap
                        }
                        StyledText {
                            Layout.fillWidth: true
                            text: recording.detailLine
                            textStyle: Theme.caption
                            secondary: true
                            elide: Text.ElideRight
                            wrapMode: Text.NoWrap
                        }
                    }
                }
            }
        }
        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: form.recordings.count === 0
            symbol: "waveform"
            title: form.emptyTitle
            description: form.emptyText
        }
        RowLayout {
            Layout.fillWidth: true

            Item {
                Layout.fillWidth: true
            }
            Button {
                text: "Done"
                onClicked: root.close()
            }
        }
    }

    AlertDialog {
        title: "Could not add recording"
        text: form.errorMessage
        visible: form.errorMessage.length > 0
        onDismissed: form.clearError()
    }
}
