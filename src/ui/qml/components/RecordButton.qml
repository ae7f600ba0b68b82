// SPDX-License-Identifier: GPL-3.0-or-later
// The large round record button: a tinted disc, a ring that pulses with the input level and the
// microphone or stop icon. Only the circle takes clicks, on mouse-down; the screen's view model
// ignores a click that follows the previous one too closely.
import QtQuick
import QtQuick.Controls
import Chorale

Item {
    id: root

    property bool recording: false
    property real level: 0
    readonly property color tint: recording ? Theme.recording : Theme.accent

    signal clicked

    implicitWidth: 112
    implicitHeight: 112
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: recording ? "Stop" : "Record"
    Accessible.onPressAction: root.clicked()
    Keys.onSpacePressed: root.clicked()

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: Qt.rgba(root.tint.r, root.tint.g, root.tint.b, root.recording ? 0.16 : 0.12)
    }

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "transparent"
        border.width: 5
        border.color: root.tint
        scale: 1 + 0.08 * root.level
    }

    ThemedIcon {
        anchors.centerIn: parent
        symbol: root.recording ? "stop.fill" : "mic.fill"
        size: 32
        tint: root.tint
    }

    Rectangle {
        anchors.fill: parent
        anchors.margins: -4
        radius: width / 2
        color: "transparent"
        border.width: 2
        border.color: Theme.accent
        visible: root.activeFocus
    }

    // The click target: the circle inscribed in the bounds.
    MouseArea {
        id: target

        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onPressed: mouse => {
            const dx = mouse.x - width / 2
            const dy = mouse.y - height / 2
            const r = Math.min(width, height) / 2
            if (dx * dx + dy * dy > r * r) {
                mouse.accepted = false
                return
            }
            root.clicked()
        }
    }

    ToolTip {
        visible: target.containsMouse
        delay: 500
        text: root.recording ? "Stop" : "Record"
    }
}
