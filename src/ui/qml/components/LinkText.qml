// SPDX-License-Identifier: GPL-3.0-or-later
// A blue link that opens in the default browser; rich text may carry inline links instead.
import QtQuick
import Chorale

StyledText {
    id: root

    property url url

    color: secondary ? Theme.secondary : Theme.link
    linkColor: Theme.link
    textFormat: Text.PlainText
    onLinkActivated: link => Qt.openUrlExternally(link)

    MouseArea {
        anchors.fill: parent
        enabled: root.url.toString().length > 0
        cursorShape: enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        acceptedButtons: enabled ? Qt.LeftButton : Qt.NoButton
        onClicked: Qt.openUrlExternally(root.url)
    }
}
