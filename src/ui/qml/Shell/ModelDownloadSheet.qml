// SPDX-License-Identifier: GPL-3.0-or-later
// Shown while the voice engine downloads and loads its models; closes by itself.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Sheet {
    id: root

    sheetWidth: 440
    padding: 32
    closePolicy: Popup.NoAutoClose

    ColumnLayout {
        width: root.availableWidth
        spacing: 18

        ThemedIcon {
            Layout.alignment: Qt.AlignHCenter
            symbol: "arrow.down.circle.fill"
            size: 42
            tint: Theme.accent
        }
        StyledText {
            Layout.alignment: Qt.AlignHCenter
            text: "Setting up Lyra"
            textStyle: Theme.title2
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: App.engine.message
            secondary: true
        }
        ProgressBar {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 320
            from: 0
            to: 1
            value: App.engine.progress
            indeterminate: App.engine.progress === 0
        }
        StyledText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: "Models download once, then stay on this computer. This can take several minutes."
            textStyle: Theme.caption
            secondary: true
        }
    }
}
