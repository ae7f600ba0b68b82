// SPDX-License-Identifier: GPL-3.0-or-later
// A row of joined toggle buttons choosing one of a few values (the model's `valueRole` and
// `textRole` fields), at its natural width.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Chorale

Row {
    id: root

    property var model: []
    property string textRole: "label"
    property string valueRole: "raw"
    property var currentValue
    property string label
    signal activated(var value)

    spacing: -1
    Accessible.role: Accessible.PageTabList
    Accessible.name: label

    Repeater {
        model: root.model

        Button {
            id: segment

            required property var modelData

            text: modelData[root.textRole]
            checkable: true
            checked: modelData[root.valueRole] === root.currentValue
            flat: false
            onClicked: {
                // Keep the binding: the owner decides what is checked.
                checked = Qt.binding(() => segment.modelData[root.valueRole] === root.currentValue)
                root.activated(segment.modelData[root.valueRole])
            }
        }
    }
}
