// SPDX-License-Identifier: GPL-3.0-or-later
// The Record section: the six pickers, the record button with its timer and level meter, and the
// takes recorded in this run with their cloning state. Built afresh each time the section is
// chosen; a take still running when it goes away is saved by the view model.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Item {
    id: root

    RecordViewModel {
        id: viewModel

        app: App
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.screenPadding
        anchors.rightMargin: Theme.screenPadding
        anchors.topMargin: Theme.headerTopPadding
        anchors.bottomMargin: 16
        spacing: 16

        StyledText {
            text: "Record"
            textStyle: Theme.largeTitle
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 24

            PickerColumn {
                label: "Character"
                picker: viewModel.voice.characters
                maximumWidth: 220
            }
            PickerColumn {
                label: "Emotion"
                picker: viewModel.voice.emotions
                pickerEnabled: viewModel.voice.emotionsEnabled
                maximumWidth: 200
            }
            PickerColumn {
                label: "Microphone"
                picker: viewModel.devices
                maximumWidth: 320
                actionText: "Refresh devices"
                onAction: viewModel.refreshDevices()
            }
            PickerColumn {
                label: "Voice"
                picker: viewModel.modes
                maximumWidth: 160
            }
            PickerColumn {
                label: "Language"
                picker: viewModel.languages
                maximumWidth: 200
            }
            PickerColumn {
                label: "Effect"
                picker: viewModel.effects
                maximumWidth: 200
            }
            Item {
                Layout.fillWidth: true
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            // Full width (none of its items stretches), so they centre in it.
            Layout.maximumWidth: Number.POSITIVE_INFINITY
            Layout.topMargin: 4
            Layout.bottomMargin: 4
            spacing: 10

            RecordButton {
                objectName: "recordButton"
                Layout.alignment: Qt.AlignHCenter
                recording: viewModel.isRecording
                level: viewModel.level
                onClicked: viewModel.clickRecord()
            }
            Text {
                Layout.alignment: Qt.AlignHCenter
                text: viewModel.elapsedText
                color: Theme.primary
                font.pixelSize: 22
                font.weight: Font.Medium
                // Tabular digits, so the time does not jitter as it counts.
                font.family: "DejaVu Sans Mono"
            }
            LevelMeter {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 220
                Layout.preferredHeight: 8
                level: viewModel.level
            }
            StyledText {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                visible: viewModel.permissionDenied
                text: "Microphone access is off. Enable it in System Settings → Privacy & Security → Microphone."
                textStyle: Theme.callout
                color: Theme.destructive
            }
        }

        RecentTakesList {
            Layout.fillWidth: true
            Layout.fillHeight: true
            heading: "Recent recordings"
            model: viewModel.recentTakes
            scrollToID: viewModel.scrollToID
            delegate: RecentTakeRow {
                width: ListView.view.width
                showOriginal: true
                onPlayOriginal: viewModel.playOriginal(itemId)
                onPlayClone: viewModel.playClone(itemId)
                onClone: viewModel.enqueueClone(itemId)
            }
        }
        Item {
            Layout.fillHeight: true
            visible: viewModel.recentTakes.count === 0
        }
    }

    AlertDialog {
        title: "Recording"
        text: viewModel.alertMessage
        visible: viewModel.alertMessage.length > 0
        onDismissed: viewModel.clearAlert()
    }
}
