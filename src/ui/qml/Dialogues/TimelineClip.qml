// SPDX-License-Identifier: GPL-3.0-or-later
// A clip on the timeline: a rounded block in its track's colour with the character's name and
// the waveform of its audible part. Dragging the block moves it (the timeline shows a floating
// copy), dragging a grip trims it, a press anywhere also moves the playhead there.
import QtQuick
import QtQuick.Controls
import Chorale

Item {
    id: root

    required property TimelineEditor timeline
    required property string clipId
    required property real clipX
    required property real clipY
    required property real clipWidth
    required property color color
    required property bool selected
    required property bool moving
    required property string characterName
    required property var peaks
    // The timeline should take keyboard focus.
    signal activated

    x: clipX
    y: clipY
    width: clipWidth
    height: timeline.clipHeight
    opacity: moving ? 0.28 : 1
    z: moving ? 2 : 1

    // Positions in the content (for seeking) and in the window (for drag distances, which must
    // not move with the block while a trim reshapes it).
    function contentX(item, localX) {
        return item.mapToItem(root.parent, localX, 0).x
    }
    function windowPoint(item, localX, localY) {
        return item.mapToItem(null, localX, localY)
    }

    ClipShape {
        anchors.fill: parent
        tint: root.color
        selected: root.selected
        characterName: root.characterName
        peaks: root.peaks
    }

    MouseArea {
        id: body

        property point pressedAt
        property bool dragging: false

        anchors.fill: parent
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        preventStealing: true
        onPressed: mouse => {
            if (mouse.button === Qt.RightButton) {
                menu.popup()
                return
            }
            pressedAt = root.windowPoint(body, mouse.x, mouse.y)
            dragging = false
            root.activated()
            root.timeline.seek(root.contentX(body, mouse.x))
        }
        onPositionChanged: mouse => {
            const now = root.windowPoint(body, mouse.x, mouse.y)
            const dx = now.x - pressedAt.x
            const dy = now.y - pressedAt.y
            if (!dragging && Math.hypot(dx, dy) >= root.timeline.moveThreshold)
                dragging = true
            if (dragging)
                root.timeline.moveClip(root.clipId, dx, dy)
            else
                root.timeline.seek(root.contentX(body, mouse.x))
        }
        onReleased: mouse => {
            if (mouse.button !== Qt.LeftButton)
                return
            if (dragging) {
                const now = root.windowPoint(body, mouse.x, mouse.y)
                dragging = false
                root.timeline.finishMove(root.clipId, now.x - pressedAt.x, now.y - pressedAt.y)
            } else {
                root.timeline.selectClip(root.clipId)
            }
        }
        onCanceled: {
            if (dragging) {
                dragging = false
                root.timeline.finishMove(root.clipId, 0, 0)
            }
        }
    }

    TrimGrip {
        anchors.left: parent.left
        tip: "Trim start"
        startEdge: true
    }
    TrimGrip {
        anchors.right: parent.right
        tip: "Trim end"
        startEdge: false
    }

    component TrimGrip: Item {
        id: grip

        property string tip
        property bool startEdge

        width: root.timeline.gripWidth
        height: root.height

        Rectangle {
            anchors.centerIn: parent
            width: 5
            height: 28
            radius: 2.5
            color: Qt.rgba(1, 1, 1, root.selected ? 0.95 : 0.72)
        }

        MouseArea {
            id: gripArea

            property point pressedAt
            property bool trimming: false

            anchors.fill: parent
            hoverEnabled: true
            preventStealing: true
            cursorShape: Qt.SizeHorCursor
            ToolTip.visible: containsMouse && !pressed
            ToolTip.text: grip.tip
            ToolTip.delay: 700
            onPressed: mouse => {
                pressedAt = root.windowPoint(gripArea, mouse.x, mouse.y)
                trimming = false
                root.activated()
                root.timeline.seek(root.contentX(gripArea, mouse.x))
            }
            onPositionChanged: mouse => {
                if (!pressed)
                    return
                const dx = root.windowPoint(gripArea, mouse.x, mouse.y).x - pressedAt.x
                if (!trimming && Math.abs(dx) >= root.timeline.trimThreshold)
                    trimming = true
                if (trimming)
                    root.timeline.trimClip(root.clipId, grip.startEdge, dx)
                else
                    root.timeline.seek(root.contentX(gripArea, mouse.x))
            }
            onReleased: {
                if (trimming) {
                    trimming = false
                    root.timeline.finishTrim()
                } else {
                    root.timeline.selectClip(root.clipId)
                }
            }
            onCanceled: {
                if (trimming) {
                    trimming = false
                    root.timeline.finishTrim()
                }
            }
        }
    }

    Menu {
        id: menu

        MenuItem {
            text: "Delete clip"
            palette.windowText: Theme.destructive
            onTriggered: root.timeline.deleteClip(root.clipId)
        }
    }
}
