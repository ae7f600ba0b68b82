// SPDX-License-Identifier: GPL-3.0-or-later
// The Settings section: the three cleanup switches and the about block.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Flickable {
    id: root

    contentHeight: column.implicitHeight + 48
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {}

    ColumnLayout {
        id: column

        x: Theme.screenPadding
        y: Theme.headerTopPadding
        width: Math.min(640, root.width - 2 * Theme.screenPadding)
        spacing: 20

        StyledText {
            text: "Settings"
            textStyle: Theme.largeTitle
        }
        StyledText {
            Layout.fillWidth: true
            text: "Voice cleanup runs on your recording just before cloning. The original take is kept as-is."
            secondary: true
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: rows.implicitHeight
            radius: Theme.panelRadius
            color: Theme.primaryAt(0.04)

            ColumnLayout {
                id: rows

                anchors.left: parent.left
                anchors.right: parent.right
                spacing: 0

                ToggleRow {
                    title: "Reduce noise"
                    subtitle: "Cuts rumble, hiss, and quiet background noise."
                    checked: App.cleanup.reduceNoise
                    onToggled: App.cleanup.reduceNoise = checked
                }
                Divider {}
                ToggleRow {
                    title: "Enhance clarity"
                    subtitle: "A light EQ lift so speech is easier to hear."
                    checked: App.cleanup.enhanceClarity
                    onToggled: App.cleanup.enhanceClarity = checked
                }
                Divider {}
                ToggleRow {
                    title: "Normalize volume"
                    subtitle: "Raises or lowers the take to a consistent loudness."
                    checked: App.cleanup.normalizeVolume
                    onToggled: App.cleanup.normalizeVolume = checked
                }
            }
        }

        StyledText {
            Layout.fillWidth: true
            text: "Turn a switch off to skip that step. If all three are off, cloning uses the raw recording."
            secondary: true
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.bottomMargin: 24
            spacing: 10

            ColumnLayout {
                spacing: 2
                StyledText {
                    text: "Made by the Chorale developers."
                    secondary: true
                }
                LinkText {
                    text: "chorale.app"
                    url: "https://chorale.app"
                }
            }
            LinkText {
                Layout.fillWidth: true
                textFormat: Text.StyledText
                text: "Chorale is free software under the <a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">GNU General Public License, version 3</a>."
                secondary: true
            }
            ColumnLayout {
                spacing: 2
                StyledText {
                    text: "If you find Lyra useful, please consider supporting the developer"
                    secondary: true
                }
                LinkText {
                    text: "Donate with PayPal"
                    url: App.donationURL
                }
            }
        }
    }

    component Divider: Rectangle {
        Layout.fillWidth: true
        Layout.leftMargin: 16
        implicitHeight: 1
        color: Theme.primaryAt(0.1)
    }

    component ToggleRow: Item {
        id: row

        property string title
        property string subtitle
        property alias checked: toggle.checked
        signal toggled

        Layout.fillWidth: true
        implicitHeight: labels.implicitHeight + 24

        ColumnLayout {
            id: labels

            anchors.left: parent.left
            anchors.right: toggle.left
            anchors.leftMargin: 16
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            spacing: 4

            StyledText {
                Layout.fillWidth: true
                text: row.title
                textStyle: Theme.headline
            }
            StyledText {
                Layout.fillWidth: true
                text: row.subtitle
                secondary: true
            }
        }
        Switch {
            id: toggle

            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            Accessible.name: row.title
            onToggled: row.toggled()
        }
    }
}
