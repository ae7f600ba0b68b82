// SPDX-License-Identifier: GPL-3.0-or-later
// A small indeterminate progress spinner: a three-quarter ring turning while `running`.
import QtQuick
import Chorale

Item {
    id: root

    property bool running: true
    property color color: Theme.secondary
    property real lineWidth: 2

    implicitWidth: 18
    implicitHeight: 18
    Accessible.role: Accessible.Animation
    Accessible.name: "Working"

    Canvas {
        id: ring

        anchors.fill: parent
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            ctx.lineWidth = root.lineWidth
            ctx.lineCap = "round"
            ctx.strokeStyle = root.color
            const r = Math.min(width, height) / 2 - root.lineWidth
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, r, 0, Math.PI * 1.5)
            ctx.stroke()
        }

        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
            running: root.running && root.visible
        }
    }
}
