// SPDX-License-Identifier: GPL-3.0-or-later
// One character: name and emotion summary, then one line per emotion clip with play and
// rename/delete.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Rectangle {
    id: root

    required property string characterId
    required property string name
    required property string emotionSummary
    required property var emotions
    property string playingPath

    signal play(string path)
    signal rename
    signal addEmotion
    signal renameEmotion(string emotionId, string emotionName)
    signal deleteEmotion(string emotionId)
    signal deleteCharacter

    implicitHeight: column.implicitHeight + 20
    radius: 8
    color: Theme.primaryAt(0.03)

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.margins: 10
        spacing: 6

        Item {
            Layout.fillWidth: true
            implicitHeight: header.implicitHeight

            RowLayout {
                id: header

                anchors.left: parent.left
                anchors.right: parent.right
                spacing: 14

                Item {
                    implicitWidth: 36
                    implicitHeight: 28
                    ThemedIcon {
                        anchors.centerIn: parent
                        symbol: "waveform"
                        size: Theme.title2.size + 4
                        tint: Theme.accent
                    }
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 3
                    StyledText {
                        Layout.fillWidth: true
                        text: root.name
                        textStyle: Theme.headline
                        elide: Text.ElideRight
                        wrapMode: Text.NoWrap
                    }
                    StyledText {
                        Layout.fillWidth: true
                        text: root.emotionSummary
                        textStyle: Theme.caption
                        secondary: true
                        maximumLineCount: 2
                        elide: Text.ElideRight
                    }
                }
                Button {
                    text: "Add emotion"
                    flat: true
                    onClicked: root.addEmotion()
                }
            }

            // The whole header line carries the character's context menu.
            MouseArea {
                anchors.fill: header
                acceptedButtons: Qt.RightButton
                z: -1
                onClicked: characterMenu.popup()
            }

            Menu {
                id: characterMenu

                MenuItem {
                    text: "Add emotion…"
                    onTriggered: root.addEmotion()
                }
                MenuItem {
                    text: "Rename character…"
                    onTriggered: root.rename()
                }
                MenuItem {
                    text: "Delete character"
                    palette.windowText: Theme.destructive
                    onTriggered: root.deleteCharacter()
                }
            }
        }

        Repeater {
            model: root.emotions

            Item {
                id: emotionLine

                required property var modelData

                Layout.fillWidth: true
                Layout.leftMargin: 50
                implicitHeight: line.implicitHeight

                RowLayout {
                    id: line

                    anchors.left: parent.left
                    anchors.right: parent.right
                    spacing: 10

                    StyledText {
                        text: emotionLine.modelData.name
                        textStyle: Theme.subheadline
                    }
                    StyledText {
                        text: emotionLine.modelData.durationText
                        textStyle: Theme.caption
                        secondary: true
                    }
                    Item {
                        Layout.fillWidth: true
                    }
                    IconButton {
                        readonly property bool playing: root.playingPath === emotionLine.modelData.path

                        symbol: playing ? "pause.fill" : "play.fill"
                        tip: playing ? "Pause" : "Play"
                        onClicked: root.play(emotionLine.modelData.path)
                    }
                    IconButton {
                        symbol: "square.and.pencil"
                        tip: "Rename or delete this emotion"
                        onClicked: emotionMenu.popup()
                    }
                }

                MouseArea {
                    anchors.fill: line
                    acceptedButtons: Qt.RightButton
                    z: -1
                    onClicked: emotionMenu.popup()
                }

                Menu {
                    id: emotionMenu

                    MenuItem {
                        text: "Rename…"
                        onTriggered: root.renameEmotion(emotionLine.modelData.emotionId, emotionLine.modelData.name)
                    }
                    MenuItem {
                        text: "Delete"
                        palette.windowText: Theme.destructive
                        onTriggered: root.deleteEmotion(emotionLine.modelData.emotionId)
                    }
                }
            }
        }
    }
}
