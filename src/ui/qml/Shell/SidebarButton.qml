// SPDX-License-Identifier: GPL-3.0-or-later
// One section button of the sidebar: icon over a one-line title on a rounded highlight.
import QtQuick
import QtQuick.Controls
import Chorale

AbstractButton {
    id: root

    property string symbol
    property string title
    property bool selected

    implicitHeight: label.implicitHeight + 16
    hoverEnabled: true
    Accessible.name: title
    Accessible.role: Accessible.PageTab
    Accessible.checked: selected

    background: Rectangle {
        radius: Theme.sidebarRadius
        color: Theme.primaryAt(root.selected ? 0.16 : (root.hovered ? 0.08 : 0.045))
    }

    contentItem: Item {
        Column {
            id: label

            anchors.centerIn: parent
            spacing: 4

            Item {
                width: 40
                height: 40
                anchors.horizontalCenter: parent.horizontalCenter

                ThemedIcon {
                    anchors.centerIn: parent
                    symbol: root.symbol
                    size: 22
                    tint: Theme.sidebarText
                }
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: root.title
                font.pixelSize: 9
                font.weight: Font.Light
                color: Theme.sidebarText
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
    }
}
