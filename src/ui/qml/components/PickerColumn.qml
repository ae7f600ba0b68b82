// SPDX-License-Identifier: GPL-3.0-or-later
// A labelled drop-down menu over a PickerModel (options and selection live in the view model),
// with an optional caption and an optional small text button under it.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

ColumnLayout {
    id: root

    property string label
    // A PickerModel.
    property var picker: null
    property int maximumWidth: 200
    property bool pickerEnabled: true
    property string caption
    property string actionText
    readonly property alias menu: menu

    signal action

    spacing: 8
    Layout.alignment: Qt.AlignTop
    // As wide as the widest entry (or the caption) up to the maximum, narrower when the row runs
    // out of room.
    readonly property real naturalWidth: Math.min(Math.max(menu.implicitWidth,
                                                           caption.visible ? caption.implicitWidth : 0),
                                                  maximumWidth)
    Layout.fillWidth: true
    Layout.minimumWidth: 90
    Layout.preferredWidth: naturalWidth
    Layout.maximumWidth: naturalWidth

    StyledText {
        text: root.label
        textStyle: Theme.headline
        wrapMode: Text.NoWrap
    }

    ComboBox {
        id: menu

        Layout.fillWidth: true
        model: root.picker
        textRole: "text"
        valueRole: "value"
        implicitContentWidthPolicy: ComboBox.WidestText
        enabled: root.pickerEnabled
        currentIndex: root.picker ? root.picker.currentIndex : -1
        onActivated: index => root.picker.activate(index)
        Accessible.name: root.label
    }

    StyledText {
        id: caption

        Layout.fillWidth: true
        visible: root.caption.length > 0
        text: root.caption
        textStyle: Theme.caption
        secondary: true
    }

    AbstractButton {
        visible: root.actionText.length > 0
        padding: 0
        hoverEnabled: true
        contentItem: StyledText {
            text: root.actionText
            textStyle: Theme.caption
            color: parent.hovered ? Theme.primary : Theme.secondary
            wrapMode: Text.NoWrap
        }
        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
        Accessible.role: Accessible.Button
        Accessible.name: root.actionText
        onClicked: root.action()
    }
}
