// SPDX-License-Identifier: GPL-3.0-or-later
// A theme icon drawn at a given size and tint, for icons that are not buttons.
import QtQuick
import QtQuick.Controls.impl
import Chorale

IconImage {
    id: root

    property string symbol
    property int size: 16
    property color tint: Theme.primary

    name: Icons.name(symbol)
    color: tint
    sourceSize.width: size
    sourceSize.height: size
    width: size
    height: size
    Accessible.ignored: true
}
