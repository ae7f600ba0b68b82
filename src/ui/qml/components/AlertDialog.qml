// SPDX-License-Identifier: GPL-3.0-or-later
// A standard alert: a title, a message and one "OK" button. `dismissed` fires however it is
// closed, so the owner clears the state that opened it.
import QtQuick
import QtQuick.Controls
import Chorale

Dialog {
    id: root

    property string text
    signal dismissed

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(420, parent ? parent.width - 80 : 420)
    modal: true
    standardButtons: Dialog.Ok
    closePolicy: Popup.CloseOnEscape
    onClosed: dismissed()

    StyledText {
        width: root.availableWidth
        text: root.text
    }
}
