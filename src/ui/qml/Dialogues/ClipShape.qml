// SPDX-License-Identifier: GPL-3.0-or-later
// The look of a clip block: a rounded rectangle in the track colour, a white border when
// selected, the character's name and the mini waveform. Draws only; takes no input.
import QtQuick
import Chorale

Rectangle {
    id: root

    property bool selected
    property string characterName
    property var peaks: []
    property color tint: "gray"

    radius: 8
    color: Qt.rgba(tint.r, tint.g, tint.b, selected ? 0.55 : 0.38)
    border.width: selected ? 2 : 1
    border.color: selected ? Qt.rgba(1, 1, 1, 0.9) : Qt.rgba(tint.r, tint.g, tint.b, 0.8)

    MiniWaveform {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        anchors.topMargin: 22
        anchors.bottomMargin: 8
        peaks: root.peaks
    }

    Text {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        anchors.topMargin: 6
        text: root.characterName
        color: "white"
        font.pixelSize: Theme.caption.size
        font.weight: Font.DemiBold
        elide: Text.ElideRight
        maximumLineCount: 1
    }
}
