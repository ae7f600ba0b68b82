// SPDX-License-Identifier: GPL-3.0-or-later
// The new-character sheet, or the add-emotion sheet when the form names a character: a name,
// an emotion name and a clip picked or dropped onto the drop zone.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Chorale

Sheet {
    id: root

    readonly property alias form: form
    readonly property bool forEmotion: form.characterId.length > 0

    function openFresh() {
        form.reset()
        open()
        if (forEmotion)
            emotionField.forceActiveFocus()
        else
            nameField.forceActiveFocus()
    }

    function tryAdd() {
        if (form.canAdd && form.add())
            close()
    }

    sheetWidth: 420

    ClipImportForm {
        id: form
    }

    FileDialog {
        id: picker

        title: "Choose a voice clip"
        acceptLabel: "Choose"
        fileMode: FileDialog.OpenFile
        nameFilters: form.nameFilters
        onAccepted: form.choose(selectedFile)
    }

    ColumnLayout {
        width: root.availableWidth
        spacing: 16

        StyledText {
            text: root.forEmotion ? "Add emotion" : "New character"
            textStyle: Theme.title2
        }
        StyledText {
            visible: root.forEmotion
            text: form.characterName
            secondary: true
        }
        TextField {
            id: nameField

            Layout.fillWidth: true
            visible: !root.forEmotion
            placeholderText: "Name"
            text: form.name
            onTextEdited: form.name = text
            onAccepted: root.tryAdd()
        }
        TextField {
            id: emotionField

            Layout.fillWidth: true
            placeholderText: "Emotion name"
            text: form.emotionName
            onTextEdited: form.emotionName = text
            onAccepted: root.tryAdd()
        }
        DropZone {
            Layout.fillWidth: true
            chosenName: form.chosenFileName
            durationText: form.durationText
            onBrowse: picker.open()
            onDropped: url => form.choose(url)
        }
        StyledText {
            Layout.fillWidth: true
            visible: form.dropError.length > 0
            text: form.dropError
            textStyle: Theme.caption
            color: Theme.destructive
        }
        RowLayout {
            Layout.fillWidth: true

            Button {
                text: "Choose File…"
                onClicked: picker.open()
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                text: "Cancel"
                onClicked: root.close()
            }
            Button {
                text: "Add"
                highlighted: true
                enabled: form.canAdd
                onClicked: root.tryAdd()
            }
        }
    }
}
