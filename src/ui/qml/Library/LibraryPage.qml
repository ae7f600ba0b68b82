// SPDX-License-Identifier: GPL-3.0-or-later
// The Recordings section: every take, searchable, filterable by character and sortable, with
// play, save, reveal and delete per take and bulk actions for the ticked ones.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Chorale

Item {
    id: root

    LibraryViewModel {
        id: viewModel

        app: App
    }

    Component.onCompleted: viewModel.appeared()

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: Theme.screenPadding
            Layout.rightMargin: Theme.screenPadding
            Layout.topMargin: Theme.headerTopPadding
            Layout.bottomMargin: 16
            spacing: 10

            StyledText {
                text: "Recordings"
                textStyle: Theme.largeTitle
                wrapMode: Text.NoWrap
            }
            Button {
                visible: viewModel.showsDeleteSelected
                text: "Delete selected items"
                palette.buttonText: Theme.destructive
                onClicked: bulkConfirmation.open()
            }
            Button {
                visible: viewModel.showsAddToDialogue
                text: "Add to dialogue"
                onClicked: addToDialogue.openFor(viewModel.selectedTakeIds())
            }
            Item {
                Layout.fillWidth: true
            }
            TextField {
                id: search

                Layout.fillWidth: true
                Layout.minimumWidth: 120
                Layout.maximumWidth: 220
                placeholderText: "Search recordings"
                text: viewModel.query
                onTextEdited: viewModel.query = text
                Accessible.name: "Search recordings"
            }
            ComboBox {
                Layout.fillWidth: true
                Layout.minimumWidth: 120
                Layout.maximumWidth: 220
                model: viewModel.characterOptions
                textRole: "name"
                valueRole: "id"
                currentIndex: Math.max(0, indexOfValue(viewModel.characterFilter))
                onActivated: viewModel.characterFilter = currentValue
                Accessible.name: "Character"
            }
            SegmentedPicker {
                label: "Sort"
                model: viewModel.sortOptions
                currentValue: viewModel.sort
                onActivated: value => viewModel.sort = value
            }
        }

        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: viewModel.contentState === "empty"
            symbol: "square.stack"
            title: "No recordings"
            description: "Record a take to see it here."
        }

        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: viewModel.contentState === "noMatches"
            symbol: "magnifyingglass"
            title: "No matches"
            description: "Try a different name or character."
        }

        ListView {
            id: list

            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            Layout.bottomMargin: 12
            visible: viewModel.contentState === "list"
            clip: true
            spacing: 4
            reuseItems: true
            model: viewModel.takes
            ScrollBar.vertical: ScrollBar {}

            delegate: LibraryRow {
                width: ListView.view.width
                playingPath: viewModel.playingPath
                onToggled: checked => viewModel.setSelected(itemId, checked)
                onPlayOriginal: viewModel.playOriginal(itemId)
                onPlayClone: viewModel.playClone(itemId)
                onDownload: saveDialog.openFor(itemId)
                onReveal: viewModel.reveal(itemId)
                onDeleteRequested: viewModel.requestDelete(itemId)
            }
        }
    }

    FileDialog {
        id: saveDialog

        property string itemId

        function openFor(id) {
            itemId = id
            currentFolder = viewModel.saveFolder()
            selectedFile = currentFolder + "/" + viewModel.defaultFilename(id)
            open()
        }

        title: "Save a copy"
        acceptLabel: "Save"
        fileMode: FileDialog.SaveFile
        nameFilters: ["WAV audio (*.wav)"]
        defaultSuffix: "wav"
        onAccepted: viewModel.saveCopy(itemId, selectedFile)
    }

    DestructiveConfirmation {
        title: "Delete this recording?"
        text: "The original and cloned files will be removed."
        confirmText: "Delete"
        visible: viewModel.confirmDeleteId.length > 0
        onConfirmed: viewModel.confirmDelete()
        onCancelled: viewModel.cancelDelete()
    }

    DestructiveConfirmation {
        id: bulkConfirmation

        title: "Delete selected items?"
        text: viewModel.bulkDeleteMessage
        confirmText: "Delete selected items"
        onConfirmed: viewModel.deleteSelected()
    }

    AddToDialogueSheet {
        id: addToDialogue

        onDialogueChosen: dialogueId => viewModel.openDialogue(dialogueId)
    }
}
