// SPDX-License-Identifier: GPL-3.0-or-later
// A dashed drop target for one audio file; clicking it browses instead.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Shapes
import Chorale

Item {
    id: root

    property string chosenName
    property string durationText
    signal browse
    signal dropped(url url)

    implicitHeight: 128
    Accessible.role: Accessible.Button
    Accessible.name: "Choose a WAV, FLAC, or MP3 file"

    Rectangle {
        anchors.fill: parent
        radius: 12
        color: dropArea.containsDrag ? Theme.primaryAt(0.08) : Theme.primaryAt(0.03)
    }

    Shape {
        anchors.fill: parent
        ShapePath {
            strokeColor: Theme.secondary
            strokeWidth: 1.5
            strokeStyle: ShapePath.DashLine
            dashPattern: [4, 4]
            fillColor: "transparent"
            startX: 12; startY: 0.75
            PathLine { x: root.width - 12; y: 0.75 }
            PathArc { x: root.width - 0.75; y: 12; radiusX: 11; radiusY: 11 }
            PathLine { x: root.width - 0.75; y: root.height - 12 }
            PathArc { x: root.width - 12; y: root.height - 0.75; radiusX: 11; radiusY: 11 }
            PathLine { x: 12; y: root.height - 0.75 }
            PathArc { x: 0.75; y: root.height - 12; radiusX: 11; radiusY: 11 }
            PathLine { x: 0.75; y: 12 }
            PathArc { x: 12; y: 0.75; radiusX: 11; radiusY: 11 }
        }
    }

    ColumnLayout {
        anchors.centerIn: parent
        width: parent.width - 16
        spacing: 8

        ThemedIcon {
            Layout.alignment: Qt.AlignHCenter
            symbol: "arrow.down.doc"
            size: 22
            tint: Theme.secondary
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: root.chosenName.length > 0 ? root.chosenName : "Click to browse, or drop a file"
            textStyle: root.chosenName.length > 0 ? Theme.body : Theme.headline
            elide: Text.ElideMiddle
            wrapMode: Text.NoWrap
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: "WAV, FLAC, or MP3  ·  3–30 seconds"
            textStyle: Theme.caption
            secondary: true
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            visible: root.durationText.length > 0
            text: root.durationText
            textStyle: Theme.caption
            secondary: true
        }
    }

    MouseArea {
        id: clickArea

        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: root.browse()
        ToolTip.visible: containsMouse
        ToolTip.text: "Choose a WAV, FLAC, or MP3 file"
        ToolTip.delay: 500
    }

    DropArea {
        id: dropArea

        anchors.fill: parent
        keys: ["text/uri-list"]
        onEntered: drag => drag.accepted = drag.hasUrls && drag.urls.length > 0
        onDropped: drop => {
            if (drop.hasUrls && drop.urls.length > 0) {
                root.dropped(drop.urls[0])
                drop.accept(Qt.CopyAction)
            }
        }
    }
}
