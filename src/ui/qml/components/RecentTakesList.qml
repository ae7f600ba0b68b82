// SPDX-License-Identifier: GPL-3.0-or-later
// A heading and the list of a screen's recent takes. Keeps the take named by `scrollToID` at the
// top: at once when the list is first shown, with a short ease-in-out when a new take arrives.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

ColumnLayout {
    id: root

    property string heading
    // A RecentTakesModel.
    property var model: null
    property string scrollToID
    property alias delegate: list.delegate

    visible: model !== null && model.count > 0
    spacing: 8

    function scrollTo(animated) {
        if (!root.model || !root.visible || root.scrollToID.length === 0)
            return
        const index = root.model.indexOf(root.scrollToID)
        if (index < 0)
            return
        scroll.stop()
        const from = list.contentY
        list.positionViewAtIndex(index, ListView.Beginning)
        const to = list.contentY
        if (!animated || from === to)
            return
        list.contentY = from
        scroll.from = from
        scroll.to = to
        scroll.start()
    }

    onScrollToIDChanged: Qt.callLater(root.scrollTo, true)
    onVisibleChanged: if (visible) Qt.callLater(root.scrollTo, false)
    Component.onCompleted: Qt.callLater(root.scrollTo, false)

    StyledText {
        Layout.topMargin: 4
        text: root.heading
        textStyle: Theme.headline
    }

    ListView {
        id: list

        Layout.fillWidth: true
        Layout.fillHeight: true
        clip: true
        spacing: 6
        model: root.model
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        NumberAnimation {
            id: scroll

            target: list
            property: "contentY"
            duration: 220
            easing.type: Easing.InOutQuad
        }
    }
}
