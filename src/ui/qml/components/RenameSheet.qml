// SPDX-License-Identifier: GPL-3.0-or-later
// A small sheet with one text field, filled with the current name, and Cancel / Save.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Sheet {
    id: root

    property string title
    property string placeholder: "Name"
    signal renamed(string name)

    function openWith(currentName) {
        field.text = currentName
        open()
        field.forceActiveFocus()
        field.selectAll()
    }

    function save() {
        if (field.text.trim().length === 0)
            return
        renamed(field.text)
        close()
    }

    sheetWidth: 360

    ColumnLayout {
        width: root.availableWidth
        spacing: 16

        StyledText {
            text: root.title
            textStyle: Theme.title2
        }
        TextField {
            id: field

            Layout.fillWidth: true
            placeholderText: root.placeholder
            onAccepted: root.save()
        }
        RowLayout {
            Layout.fillWidth: true

            Item {
                Layout.fillWidth: true
            }
            Button {
                text: "Cancel"
                onClicked: root.close()
            }
            Button {
                text: "Save"
                highlighted: true
                enabled: field.text.trim().length > 0
                onClicked: root.save()
            }
        }
    }
}
