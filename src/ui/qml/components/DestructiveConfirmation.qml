// SPDX-License-Identifier: GPL-3.0-or-later
// A confirmation for something that cannot be undone: a title, a message, a red action button
// and "Cancel". `confirmed` fires for the action; `cancelled` however else it closes.
import QtQuick
import QtQuick.Controls
import Chorale

Dialog {
    id: root

    property string text
    property string confirmText: "Delete"
    signal confirmed
    signal cancelled

    property bool _confirming: false

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(420, parent ? parent.width - 80 : 420)
    modal: true
    closePolicy: Popup.CloseOnEscape
    onAboutToShow: _confirming = false
    onClosed: {
        if (_confirming)
            confirmed()
        else
            cancelled()
    }

    StyledText {
        width: root.availableWidth
        text: root.text
    }

    footer: DialogButtonBox {
        Button {
            text: "Cancel"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        Button {
            text: root.confirmText
            palette.buttonText: Theme.destructive
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        onAccepted: {
            root._confirming = true
            root.close()
        }
        onRejected: root.close()
    }
}
