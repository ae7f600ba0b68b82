// SPDX-License-Identifier: GPL-3.0-or-later
// The narrow icon sidebar: app name, one button per section, Settings at the bottom.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Chorale

Item {
    id: root

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: 6
        anchors.rightMargin: 6
        spacing: 6

        ColumnLayout {
            Layout.fillWidth: true
            Layout.topMargin: 16
            Layout.bottomMargin: 8
            spacing: 2

            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: "Lyra"
                font.pixelSize: 20
                font.bold: true
                color: Theme.primary
            }
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: "Cantabile"
                font.pixelSize: 10
                font.weight: Font.Medium
                color: Theme.secondary
            }
        }

        Repeater {
            model: App.navigation.sections.filter(s => s.raw !== "settings")

            SidebarButton {
                required property var modelData

                Layout.fillWidth: true
                symbol: modelData.icon
                title: modelData.title
                selected: App.navigation.section === modelData.raw
                onClicked: App.navigation.section = modelData.raw
            }
        }

        Item {
            Layout.fillHeight: true
        }

        SidebarButton {
            Layout.fillWidth: true
            Layout.bottomMargin: 16
            symbol: "gearshape.fill"
            title: "Settings"
            selected: App.navigation.section === "settings"
            onClicked: App.navigation.section = "settings"
        }
    }
}
