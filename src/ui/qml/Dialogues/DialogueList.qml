// SPDX-License-Identifier: GPL-3.0-or-later
// The list of dialogues beside the editor, with "New dialogue" and "Hide dialogues".
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

ColumnLayout {
    id: root

    required property DialoguesViewModel screenModel
    signal renameRequested(string dialogueId, string name)

    spacing: 0

    RowLayout {
        Layout.fillWidth: true
        Layout.leftMargin: 16
        Layout.rightMargin: 16
        Layout.topMargin: 24
        Layout.bottomMargin: 12

        StyledText {
            text: "Dialogues"
            textStyle: Theme.title2
            font.weight: Font.Bold
        }
        Item {
            Layout.fillWidth: true
        }
        IconButton {
            symbol: "plus"
            tip: "New dialogue"
            onClicked: root.screenModel.createProject()
        }
        IconButton {
            symbol: "chevron.left"
            tip: "Hide dialogues"
            onClicked: root.screenModel.listCollapsed = true
        }
    }

    ListView {
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.leftMargin: 8
        Layout.rightMargin: 8
        visible: count > 0
        clip: true
        spacing: 2
        model: root.screenModel.dialogues
        ScrollBar.vertical: ScrollBar {}

        delegate: ItemDelegate {
            id: row

            required property string dialogueId
            required property string name
            required property string subtitle

            width: ListView.view.width
            topPadding: 4 + 4
            bottomPadding: 4 + 4
            highlighted: dialogueId === root.screenModel.selectedId
            onClicked: root.screenModel.select(dialogueId)

            contentItem: ColumnLayout {
                spacing: 3
                StyledText {
                    Layout.fillWidth: true
                    text: row.name
                    textStyle: Theme.headline
                    color: row.highlighted ? row.palette.highlightedText : Theme.primary
                    elide: Text.ElideRight
                    wrapMode: Text.NoWrap
                }
                StyledText {
                    Layout.fillWidth: true
                    text: row.subtitle
                    textStyle: Theme.caption
                    color: row.highlighted ? row.palette.highlightedText : Theme.secondary
                    elide: Text.ElideRight
                    wrapMode: Text.NoWrap
                }
            }

            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.RightButton
                onClicked: menu.popup()
            }

            Menu {
                id: menu

                MenuItem {
                    text: "Rename…"
                    onTriggered: root.renameRequested(row.dialogueId, row.name)
                }
                MenuItem {
                    text: "Delete"
                    palette.windowText: Theme.destructive
                    onTriggered: root.screenModel.requestDelete(row.dialogueId)
                }
            }
        }
    }

    EmptyState {
        Layout.fillWidth: true
        Layout.fillHeight: true
        visible: root.screenModel.dialogues.count === 0
        symbol: "text.bubble"
        title: "No dialogues"
        description: "Create one here, or select cloned takes in Recordings and add them to a dialogue."
    }
}
