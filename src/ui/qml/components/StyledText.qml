// SPDX-License-Identifier: GPL-3.0-or-later
// Text in one of the theme's text styles.
import QtQuick
import Chorale

Text {
    id: root

    property QtObject textStyle: Theme.body
    property bool secondary: false

    color: secondary ? Theme.secondary : Theme.primary
    font.pixelSize: textStyle.size
    font.weight: textStyle.weight
    wrapMode: Text.Wrap
    textFormat: Text.PlainText
}
