// SPDX-License-Identifier: GPL-3.0-or-later
// The one main window: the icon sidebar and the selected section's screen, with the engine's
// model sheet, its error alert and the donation sheet over them.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

ApplicationWindow {
    id: root

    title: "Cantabile"
    width: 1100
    height: 740
    minimumWidth: 1040
    minimumHeight: 620
    visible: true
    color: Theme.windowBackground

    onClosing: App.contentDisappeared()

    RowLayout {
        id: content

        anchors.fill: parent
        spacing: 0

        Component.onCompleted: App.contentAppeared()

        Sidebar {
            Layout.fillHeight: true
            Layout.preferredWidth: 100
            Layout.minimumWidth: 92
            Layout.maximumWidth: 112
        }

        SectionHost {
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
    }

    ModelDownloadSheet {
        anchors.centerIn: Overlay.overlay
        visible: App.engine.loading && !App.engine.ready
    }

    AlertDialog {
        id: engineAlert

        title: "Voice engine"
        text: App.engine.error
        visible: App.engine.hasError && !App.engine.loading
        onDismissed: App.engine.clearError()
    }

    DonationSheet {
        anchors.centerIn: Overlay.overlay
        visible: App.showDonationPrompt
    }
}
