// SPDX-License-Identifier: GPL-3.0-or-later
// The Characters section: the voice characters with their emotion clips.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Item {
    id: root

    CharactersViewModel {
        id: viewModel

        app: App
    }

    Shortcut {
        sequence: "Ctrl+N"
        onActivated: addCharacterSheet.openFresh()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: Theme.screenPadding
            Layout.rightMargin: Theme.screenPadding
            Layout.topMargin: Theme.headerTopPadding
            Layout.bottomMargin: 8

            StyledText {
                text: "Characters"
                textStyle: Theme.largeTitle
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                text: "Add Voice"
                icon.name: Icons.name("plus")
                ToolTip.visible: hovered
                ToolTip.text: "Add Voice (Ctrl+N)"
                onClicked: addCharacterSheet.openFresh()
            }
        }

        StyledText {
            Layout.fillWidth: true
            Layout.leftMargin: Theme.screenPadding
            Layout.rightMargin: Theme.screenPadding
            Layout.bottomMargin: 16
            text: "Add 3–30s WAV, FLAC, or MP3 clips. Several named emotions can live on one character."
            secondary: true
        }

        ListView {
            id: list

            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            visible: viewModel.characters.count > 0
            clip: true
            spacing: 6
            model: viewModel.characters
            ScrollBar.vertical: ScrollBar {}

            delegate: CharacterRow {
                width: ListView.view.width
                playingPath: viewModel.playingPath
                onPlay: path => viewModel.play(path)
                onRename: renameSheet.openFor(characterId, "", name)
                onAddEmotion: {
                    addEmotionSheet.form.characterId = characterId
                    addEmotionSheet.openFresh()
                }
                onRenameEmotion: (emotionId, emotionName) => renameSheet.openFor(characterId, emotionId, emotionName)
                onDeleteEmotion: emotionId => viewModel.deleteEmotion(characterId, emotionId)
                onDeleteCharacter: viewModel.deleteCharacter(characterId)
            }
        }

        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: viewModel.characters.count === 0
            symbol: "person.crop.rectangle.stack"
            title: "No characters yet"
            description: "Add a 3–30s WAV, FLAC, or MP3 clip to start cloning."
            actionText: "Add Voice"
            onAction: addCharacterSheet.openFresh()
        }
    }

    AddClipSheet {
        id: addCharacterSheet

        form.app: App
    }

    AddClipSheet {
        id: addEmotionSheet

        form.app: App
    }

    RenameSheet {
        id: renameSheet

        property string characterId
        property string emotionId

        function openFor(character, emotion, currentName) {
            characterId = character
            emotionId = emotion
            title = emotion ? "Rename emotion" : "Rename character"
            placeholder = emotion ? "Emotion name" : "Name"
            openWith(currentName)
        }

        onRenamed: newName => {
            if (emotionId)
                viewModel.renameEmotion(characterId, emotionId, newName)
            else
                viewModel.renameCharacter(characterId, newName)
        }
    }

    AlertDialog {
        title: "Could not add voice"
        text: viewModel.errorMessage
        visible: viewModel.errorMessage.length > 0
        onDismissed: viewModel.clearError()
    }
}
