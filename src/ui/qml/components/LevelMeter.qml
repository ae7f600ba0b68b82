// SPDX-License-Identifier: GPL-3.0-or-later
// The input level as a capsule: a faint track and an accent bar of the level's share of it,
// never narrower than 8 pixels.
import QtQuick
import Chorale

Rectangle {
    id: root

    property real level: 0
    readonly property real barWidth: Math.max(width * Math.min(Math.max(level, 0), 1), 8)

    implicitWidth: 220
    implicitHeight: 8
    radius: height / 2
    color: Theme.primaryAt(0.08)
    Accessible.role: Accessible.ProgressBar
    Accessible.name: "Input level"

    Rectangle {
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: root.barWidth
        radius: height / 2
        color: Theme.accent
    }
}
