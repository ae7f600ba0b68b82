// SPDX-License-Identifier: GPL-3.0-or-later
// A track's header beside its lane: the name and a button exporting the track alone.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Rectangle {
    id: root

    required property TimelineEditor timeline
    required property string trackId
    required property string name
    required property color trackColor
    required property real headerOpacity
    required property bool exportEnabled
    required property string exportTip
    required property string exportMenuText

    width: timeline.headerWidth
    height: timeline.laneHeight
    color: Qt.rgba(trackColor.r, trackColor.g, trackColor.b, headerOpacity)

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        onClicked: menu.popup()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        anchors.topMargin: 8
        anchors.bottomMargin: 8
        spacing: 6

        StyledText {
            Layout.fillWidth: true
            text: root.name
            textStyle: Theme.headline
            maximumLineCount: 2
            elide: Text.ElideRight
        }
        // The tooltip also explains a disabled button, which gets no hover of its own.
        Item {
            implicitWidth: exportButton.implicitWidth
            implicitHeight: exportButton.implicitHeight

            IconButton {
                id: exportButton

                symbol: "square.and.arrow.down"
                tip: ""
                iconSize: 16
                enabled: root.exportEnabled
                Accessible.name: root.exportTip
                onClicked: root.timeline.exportTrack(root.trackId)
            }
            HoverHandler {
                id: exportHover
            }
            ToolTip.visible: exportHover.hovered
            ToolTip.text: root.exportTip
            ToolTip.delay: 500
        }
        Item {
            Layout.fillHeight: true
        }
    }

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Theme.primaryAt(0.08)
    }

    Menu {
        id: menu

        MenuItem {
            text: root.exportMenuText
            enabled: root.exportEnabled
            onTriggered: root.timeline.exportTrack(root.trackId)
        }
    }
}
