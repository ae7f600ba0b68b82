// SPDX-License-Identifier: GPL-3.0-or-later
// One take of a screen's recent list: its title and voice, the play buttons and its clone state
// (progress while cloning, "Waiting to clone…" while queued, "Clone" while it has no clone).
// The roles of RecentTakesModel arrive as the required properties.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Rectangle {
    id: root

    required property string itemId
    required property string title
    required property string detail
    required property bool hasClone
    required property bool converting
    required property bool queued
    required property string convertMessage
    required property real convertProgress
    required property bool playingClone
    required property bool canClone
    property bool showOriginal: true

    signal playOriginal
    signal playClone
    signal clone

    implicitHeight: row.implicitHeight + 16
    radius: 8
    color: Theme.primaryAt(0.03)

    RowLayout {
        id: row

        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        spacing: 10

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            StyledText {
                Layout.fillWidth: true
                text: root.title
                textStyle: Theme.headline
                wrapMode: Text.NoWrap
                elide: Text.ElideRight
            }
            StyledText {
                Layout.fillWidth: true
                text: root.detail
                textStyle: Theme.caption
                secondary: true
                wrapMode: Text.NoWrap
                elide: Text.ElideRight
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

        ColumnLayout {
            visible: root.converting
            spacing: 2

            ProgressBar {
                Layout.preferredWidth: 120
                from: 0
                to: 1
                value: root.convertProgress
            }
            StyledText {
                Layout.preferredWidth: 120
                text: root.convertMessage
                textStyle: Theme.caption
                secondary: true
                wrapMode: Text.NoWrap
                elide: Text.ElideRight
            }
        }

        StyledText {
            visible: !root.converting && root.queued
            text: "Waiting to clone…"
            textStyle: Theme.caption
            secondary: true
            wrapMode: Text.NoWrap
        }

        Button {
            visible: !root.converting && !root.queued && !root.hasClone
            enabled: root.canClone
            text: "Clone"
            onClicked: root.clone()
        }
    }
}
