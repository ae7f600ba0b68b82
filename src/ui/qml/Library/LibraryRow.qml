// SPDX-License-Identifier: GPL-3.0-or-later
// One take in the Recordings list: tick box, title over voice, date, length and device, then
// play buttons and "Save a copy…", with the same actions in its context menu.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Rectangle {
    id: root

    required property string itemId
    required property string displayTitle
    required property string detailLine
    required property bool hasClone
    required property bool showOriginal
    required property string clonePath
    required property bool selected
    property string playingPath

    readonly property bool playingClone: playingPath.length > 0 && playingPath === clonePath

    signal toggled(bool checked)
    signal playOriginal
    signal playClone
    signal download
    signal reveal
    signal deleteRequested

    implicitHeight: row.implicitHeight + 16
    radius: 8
    color: hover.hovered ? Theme.primaryAt(0.05) : Theme.primaryAt(0.025)

    HoverHandler {
        id: hover
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        onClicked: menu.popup()
    }

    RowLayout {
        id: row

        anchors.left: parent.left
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        anchors.leftMargin: 8
        anchors.rightMargin: 10
        spacing: 10

        CheckBox {
            checked: root.selected
            onToggled: root.toggled(checked)
            ToolTip.visible: hovered
            ToolTip.text: "Select"
            ToolTip.delay: 500
            Accessible.name: "Select"
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3

            StyledText {
                Layout.fillWidth: true
                text: root.displayTitle
                textStyle: Theme.headline
                elide: Text.ElideRight
                wrapMode: Text.NoWrap
            }
            StyledText {
                Layout.fillWidth: true
                text: root.detailLine
                textStyle: Theme.caption
                secondary: true
                elide: Text.ElideRight
                wrapMode: Text.NoWrap
            }
        }
        Button {
            visible: root.showOriginal
            text: "Original"
            flat: true
            onClicked: root.playOriginal()
        }
        IconButton {
            visible: root.hasClone
            symbol: root.playingClone ? "pause.fill" : "play.fill"
            tip: root.playingClone ? "Pause clone" : "Play clone"
            onClicked: root.playClone()
        }
        StyledText {
            visible: !root.hasClone
            text: "Not cloned"
            textStyle: Theme.caption
            secondary: true
        }
        IconButton {
            symbol: "square.and.arrow.down"
            tip: "Save a copy…"
            iconSize: 16
            onClicked: root.download()
        }
    }

    Menu {
        id: menu

        MenuItem {
            text: "Play original"
            visible: root.showOriginal
            height: visible ? implicitHeight : 0
            onTriggered: root.playOriginal()
        }
        MenuItem {
            text: "Play clone"
            visible: root.hasClone
            height: visible ? implicitHeight : 0
            onTriggered: root.playClone()
        }
        MenuItem {
            text: "Save a copy…"
            onTriggered: root.download()
        }
        MenuItem {
            text: "Show in File Manager"
            onTriggered: root.reveal()
        }
        MenuSeparator {}
        MenuItem {
            text: "Delete"
            palette.windowText: Theme.destructive
            onTriggered: root.deleteRequested()
        }
    }
}
