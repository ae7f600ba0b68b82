// SPDX-License-Identifier: GPL-3.0-or-later
// The multi-track timeline: track headers on the left, and a horizontally scrolling content of
// ruler, lanes with clip blocks, the playhead and the floating block of a move. Pressing or
// dragging anywhere in the content moves the playhead. Takes keyboard focus for Delete.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Chorale

FocusScope {
    id: root

    required property TimelineEditor timeline

    activeFocusOnTab: true
    Keys.onPressed: event => {
        if (event.key === Qt.Key_Delete || event.key === Qt.Key_Backspace)
            event.accepted = root.timeline.deletePressed()
    }

    Connections {
        target: root.timeline
        function onSelectedClipIdChanged() {
            if (root.timeline.selectedClipId.length > 0)
                root.forceActiveFocus()
        }
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.primaryAt(0.02)
    }

    Flickable {
        id: vertical

        anchors.fill: parent
        contentWidth: width
        contentHeight: root.timeline.totalHeight + horizontalBar.height
        interactive: false
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {
            policy: vertical.contentHeight > vertical.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
        }

        WheelHandler {
            onWheel: event => {
                const dy = event.angleDelta.y / 120 * 40
                vertical.contentY = Math.max(0, Math.min(vertical.contentHeight - vertical.height,
                                                         vertical.contentY - dy))
            }
        }

        Rectangle {
            id: headers

            width: root.timeline.headerWidth
            height: root.timeline.totalHeight
            color: Theme.primaryAt(0.03)

            Column {
                Item {
                    width: 1
                    height: root.timeline.rulerHeight
                }
                Repeater {
                    model: root.timeline.tracks

                    TimelineTrackHeader {
                        timeline: root.timeline
                    }
                }
            }
        }

        Flickable {
            id: horizontal

            x: headers.width
            width: vertical.width - headers.width
            height: root.timeline.totalHeight + horizontalBar.height
            contentWidth: root.timeline.contentWidth
            contentHeight: root.timeline.totalHeight
            interactive: false
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.horizontal: ScrollBar {
                id: horizontalBar

                policy: ScrollBar.AlwaysOn
            }

            WheelHandler {
                acceptedModifiers: Qt.ShiftModifier
                onWheel: event => {
                    const delta = (event.angleDelta.x !== 0 ? event.angleDelta.x : event.angleDelta.y) / 120 * 60
                    horizontal.contentX = Math.max(0, Math.min(horizontal.contentWidth - horizontal.width,
                                                               horizontal.contentX - delta))
                }
            }

            Item {
                id: content

                width: root.timeline.contentWidth
                height: root.timeline.totalHeight

                // Seeking: a press anywhere, and scrubbing while it is held.
                MouseArea {
                    anchors.fill: parent
                    preventStealing: true
                    onPressed: mouse => {
                        root.forceActiveFocus()
                        root.timeline.seek(mouse.x)
                    }
                    onPositionChanged: mouse => root.timeline.seek(mouse.x)
                }

                // Ruler
                Rectangle {
                    width: parent.width
                    height: root.timeline.rulerHeight
                    color: Theme.primaryAt(0.04)

                    Repeater {
                        model: root.timeline.rulerTicks

                        Item {
                            id: tick

                            required property var modelData

                            x: modelData.x
                            height: root.timeline.rulerHeight

                            Rectangle {
                                y: tick.modelData.top
                                width: 1
                                height: root.timeline.rulerHeight - tick.modelData.top
                                color: Theme.primaryAt(0.25)
                            }
                            Text {
                                x: 4
                                y: 2
                                visible: text.length > 0
                                text: tick.modelData.label
                                color: Theme.secondary
                                font.family: "monospace"
                                font.pixelSize: 10
                            }
                        }
                    }
                }

                // Lanes
                Repeater {
                    model: root.timeline.tracks

                    Rectangle {
                        id: lane

                        required property int index
                        required property bool striped
                        required property bool laneHighlighted
                        required property color trackColor

                        y: root.timeline.rulerHeight + index * root.timeline.laneHeight
                        width: content.width
                        height: root.timeline.laneHeight
                        color: striped ? Theme.primaryAt(0.03) : "transparent"

                        Rectangle {
                            anchors.fill: parent
                            visible: lane.laneHighlighted
                            color: Qt.rgba(lane.trackColor.r, lane.trackColor.g, lane.trackColor.b, 0.10)
                        }
                        Rectangle {
                            anchors.bottom: parent.bottom
                            width: parent.width
                            height: 1
                            color: Theme.primaryAt(0.08)
                        }
                    }
                }

                // Clips
                Repeater {
                    model: root.timeline.clips

                    TimelineClip {
                        timeline: root.timeline
                        onActivated: root.forceActiveFocus()
                    }
                }

                // Playhead
                Rectangle {
                    x: root.timeline.playheadX
                    width: 1.5
                    height: root.timeline.totalHeight
                    color: Qt.rgba(1, 0.23, 0.19, 0.85)
                    z: 3
                    enabled: false
                }

                // The floating block of a move
                Item {
                    readonly property var preview: root.timeline.movePreview

                    visible: root.timeline.moving
                    x: preview.x !== undefined ? preview.x : 0
                    y: preview.y !== undefined ? preview.y : 0
                    width: preview.width !== undefined ? preview.width : 0
                    height: root.timeline.clipHeight
                    z: 4
                    enabled: false

                    Rectangle {
                        x: 0
                        y: 3
                        width: parent.width
                        height: parent.height
                        radius: 8
                        color: Qt.rgba(0, 0, 0, 0.28)
                    }
                    ClipShape {
                        anchors.fill: parent
                        tint: parent.preview.color !== undefined ? parent.preview.color : "gray"
                        selected: true
                        characterName: parent.preview.characterName !== undefined ? parent.preview.characterName : ""
                        peaks: parent.preview.peaks !== undefined ? parent.preview.peaks : []
                    }
                }
            }
        }
    }
}
