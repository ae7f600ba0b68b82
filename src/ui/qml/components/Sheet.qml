// SPDX-License-Identifier: GPL-3.0-or-later
// A modal sheet centred on the window, with the theme's padding and a fixed width.
import QtQuick
import QtQuick.Controls
import Chorale

Popup {
    id: root

    property int sheetWidth: 420

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: sheetWidth
    modal: true
    focus: true
    padding: Theme.sheetPadding
    closePolicy: Popup.CloseOnEscape
    background: Rectangle {
        color: Theme.windowBackground
        radius: 10
        border.color: Theme.primaryAt(0.15)
    }
}
