// SPDX-License-Identifier: GPL-3.0-or-later
// The Prompt section: pickers, the prompt editor, Generate (Ctrl+Return) and the takes spoken
// from prompts in this run. This screen lives for the whole run, hidden while other sections
// are shown, so the text being typed or spoken survives switching.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Item {
    id: root

    PromptViewModel {
        id: viewModel

        app: App
    }

    // Only while the Prompt section is shown, so other screens keep the keys; the view model
    // checks the section again.
    Shortcut {
        sequences: ["Ctrl+Return", "Ctrl+Enter"]
        context: Qt.ApplicationShortcut
        enabled: App.navigation.section === "prompt"
        onActivated: viewModel.requestGenerate()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.screenPadding
        anchors.rightMargin: Theme.screenPadding
        anchors.topMargin: Theme.headerTopPadding
        anchors.bottomMargin: 16
        spacing: 16

        StyledText {
            text: "Prompt"
            textStyle: Theme.largeTitle
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 24

            PickerColumn {
                label: "Character"
                picker: viewModel.voice.characters
                maximumWidth: 220
            }
            PickerColumn {
                label: "Emotion"
                picker: viewModel.voice.emotions
                pickerEnabled: viewModel.voice.emotionsEnabled
                maximumWidth: 200
                caption: "Each emotion is the voice Chatterbox speaks in."
            }
            PickerColumn {
                label: "Language"
                picker: viewModel.languages
                maximumWidth: 200
                caption: "Write the prompt in this language."
            }
            PickerColumn {
                label: "Effect"
                picker: viewModel.effects
                maximumWidth: 200
                caption: "Applied after speech is generated."
            }
            Item {
                Layout.fillWidth: true
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10

            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: Math.max(120, Math.min(180, editor.contentHeight + 16))
                radius: 8
                color: Theme.palette.base
                border.width: 1
                border.color: editor.activeFocus ? Theme.accent : Theme.primaryAt(0.12)

                ScrollView {
                    anchors.fill: parent
                    anchors.margins: 1

                    TextArea {
                        id: editor

                        objectName: "promptEditor"
                        padding: 8
                        text: viewModel.prompt
                        wrapMode: TextEdit.Wrap
                        font.pixelSize: Theme.body.size
                        color: Theme.primary
                        placeholderText: "Type what the character should say…"
                        background: null
                        Accessible.name: "Prompt"
                        onTextChanged: viewModel.prompt = text
                    }
                }
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10

                Button {
                    id: generateButton

                    objectName: "generateButton"
                    enabled: viewModel.canGenerate
                    Accessible.name: "Generate"
                    ToolTip.visible: hovered
                    ToolTip.delay: 500
                    ToolTip.text: "Generate (Ctrl+Return)"
                    onClicked: viewModel.requestGenerate()
                    contentItem: RowLayout {
                        spacing: 6

                        Spinner {
                            visible: viewModel.generating
                            running: visible
                        }
                        ThemedIcon {
                            visible: !viewModel.generating
                            symbol: "play.fill"
                            size: 14
                            tint: generateButton.enabled ? Theme.primary : Theme.secondary
                        }
                        StyledText {
                            text: viewModel.generating ? viewModel.workingMessage : "Generate"
                            color: generateButton.enabled || viewModel.generating ? Theme.primary
                                                                                 : Theme.secondary
                            wrapMode: Text.NoWrap
                        }
                    }
                }
                Item {
                    Layout.fillWidth: true
                }
                StyledText {
                    text: "Spoken in the character voice with Chatterbox."
                    textStyle: Theme.caption
                    secondary: true
                    wrapMode: Text.NoWrap
                }
            }
        }

        RecentTakesList {
            Layout.fillWidth: true
            Layout.fillHeight: true
            heading: "Recent prompts"
            model: viewModel.recentTakes
            scrollToID: viewModel.scrollToID
            delegate: RecentTakeRow {
                width: ListView.view.width
                showOriginal: false
                onPlayClone: viewModel.playClone(itemId)
                onClone: viewModel.enqueueClone(itemId)
            }
        }
        Item {
            Layout.fillHeight: true
            visible: viewModel.recentTakes.count === 0
        }
    }

    AlertDialog {
        title: "Prompt"
        text: viewModel.alertMessage
        // Hidden with the screen, so a clone failure opens only the alert of the screen shown.
        visible: App.navigation.section === "prompt" && viewModel.alertMessage.length > 0
        onDismissed: viewModel.clearAlert()
    }
}
