// SPDX-License-Identifier: GPL-3.0-or-later
// The detail column. The Prompt screen always exists underneath (so a prompt being typed or
// spoken survives switching); every other section's screen is created afresh when chosen.
import QtQuick
import Chorale

Item {
    id: root

    readonly property string section: App.navigation.section

    Loader {
        id: promptLayer

        anchors.fill: parent
        sourceComponent: PromptPage {}
        opacity: root.section === "prompt" ? 1 : 0
        enabled: root.section === "prompt"
        visible: status === Loader.Ready
        Accessible.ignored: root.section !== "prompt"
        z: 0
    }

    Loader {
        id: sectionLayer

        anchors.fill: parent
        z: 1
        active: root.section !== "prompt"
        sourceComponent: {
            switch (root.section) {
            case "characters": return charactersPage
            case "record": return recordPage
            case "library": return libraryPage
            case "dialogues": return dialoguesPage
            case "settings": return settingsPage
            }
            return null
        }
    }

    Component { id: charactersPage; CharactersPage {} }
    Component { id: recordPage; RecordPage {} }
    Component { id: libraryPage; LibraryPage {} }
    Component { id: dialoguesPage; DialoguesPage {} }
    Component { id: settingsPage; SettingsPage {} }
}
