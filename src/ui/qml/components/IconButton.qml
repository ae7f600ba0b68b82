// SPDX-License-Identifier: GPL-3.0-or-later
// A borderless button showing one icon, with its tooltip (every icon-only button has one).
import QtQuick
import QtQuick.Controls
import Chorale

ToolButton {
    id: root

    property string symbol
    property string tip
    property int iconSize: 16

    icon.name: Icons.name(symbol)
    icon.width: iconSize
    icon.height: iconSize
    display: AbstractButton.IconOnly
    flat: true
    ToolTip.visible: hovered && tip.length > 0
    ToolTip.text: tip
    ToolTip.delay: 500
    Accessible.name: tip
}
