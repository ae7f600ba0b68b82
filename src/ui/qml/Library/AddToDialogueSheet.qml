// SPDX-License-Identifier: GPL-3.0-or-later
// Copies the cloned takes of the selection into a new dialogue or to the end of an existing one.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Sheet {
    id: root

    property alias form: form
    // A dialogue was made or chosen and the takes are in it.
    signal dialogueChosen(string dialogueId)

    function openFor(itemIds) {
        form.reset(itemIds)
        open()
        nameField.forceActiveFocus()
        nameField.selectAll()
    }

    function finish(dialogueId) {
        if (dialogueId.length === 0)
            return
        close()
        dialogueChosen(dialogueId)
    }

    sheetWidth: 440

    AddToDialogueForm {
        id: form

        app: App
    }

    ColumnLayout {
        width: root.availableWidth
        spacing: 16

        StyledText {
            text: "Add to dialogue"
            textStyle: Theme.title2
        }
        StyledText {
            Layout.fillWidth: true
            text: form.clonedText
            secondary: true
        }
        StyledText {
            Layout.fillWidth: true
            visible: form.skippedText.length > 0
            text: form.skippedText
            textStyle: Theme.caption
            secondary: true
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            TextField {
                id: nameField

                Layout.fillWidth: true
                placeholderText: "Dialogue name"
                text: form.newName
                onTextEdited: form.newName = text
                onAccepted: if (form.canCreate) root.finish(form.addToNew())
            }
            Button {
                text: "Create new"
                highlighted: true
                enabled: form.canCreate
                onClicked: root.finish(form.addToNew())
            }
        }
        StyledText {
            visible: form.dialogues.count > 0
            text: "Or add to an existing project"
            textStyle: Theme.headline
        }
        ListView {
            id: existing

            Layout.fillWidth: true
            Layout.preferredHeight: Math.max(140, Math.min(contentHeight, 240))
            visible: form.dialogues.count > 0
            clip: true
            model: form.dialogues
            ScrollBar.vertical: ScrollBar {}

            delegate: ItemDelegate {
                id: dialogueRow

                required property string dialogueId
                required property string name
                required property string durationText

                width: ListView.view.width
                onClicked: root.finish(form.addTo(dialogueId))
                contentItem: Column {
                    spacing: 2
                    StyledText {
                        width: parent.width
                        text: dialogueRow.name
                        elide: Text.ElideRight
                        wrapMode: Text.NoWrap
                    }
                    StyledText {
                        text: dialogueRow.durationText
                        textStyle: Theme.caption
                        secondary: true
                    }
                }
            }
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
        }
    }

    AlertDialog {
        title: "Could not add to dialogue"
        text: form.errorMessage
        visible: form.errorMessage.length > 0
        onDismissed: form.clearError()
    }
}
