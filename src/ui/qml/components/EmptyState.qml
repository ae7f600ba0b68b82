// SPDX-License-Identifier: GPL-3.0-or-later
// The centred icon, title, description and optional action shown when a list is empty.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Item {
    id: root

    property string symbol
    property string title
    property string description
    property string actionText
    signal action

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        spacing: 10

        ThemedIcon {
            Layout.alignment: Qt.AlignHCenter
            symbol: root.symbol
            size: 40
            tint: Theme.secondary
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: root.title
            textStyle: Theme.title2
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: root.description
            secondary: true
        }
        Button {
            Layout.alignment: Qt.AlignHCenter
            visible: root.actionText.length > 0
            text: root.actionText
            onClicked: root.action()
        }
    }
}
