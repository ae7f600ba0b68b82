// SPDX-License-Identifier: GPL-3.0-or-later
// The Prompt section (its screen arrives with its own change).
import QtQuick
import QtQuick.Layouts
import Chorale

Item {
    id: root

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.screenPadding
        anchors.rightMargin: Theme.screenPadding
        anchors.topMargin: Theme.headerTopPadding
        spacing: 8

        StyledText {
            text: "Prompt"
            textStyle: Theme.largeTitle
        }
        Item {
            Layout.fillHeight: true
        }
    }
}
