// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings and Dialogues screens on an empty library: their empty states, and a dialogue
// created from the list showing its own empty state, then deleted again.
import QtQuick
import QtTest
import Chorale

Item {
    width: 1000
    height: 1000

    LibraryPage {
        id: library
        width: parent.width
        height: 400
    }

    DialoguesPage {
        id: dialogues
        y: 400
        width: parent.width
        height: 600
    }

    TestCase {
        name: "Dialogues"
        when: windowShown

        function find(item, predicate) {
            const kids = item.data !== undefined ? item.data : []
            for (let i = 0; i < kids.length; ++i) {
                const child = kids[i]
                if (predicate(child))
                    return child
                const deeper = find(child, predicate)
                if (deeper)
                    return deeper
            }
            return null
        }
        function emptyState(page, title) {
            return find(page, c => c.hasOwnProperty("actionText") && c.title === title)
        }
        function viewModel(page, property) {
            return find(page, c => c.hasOwnProperty(property) && c.hasOwnProperty("app"))
        }

        function test_noRecordingsEvenWhileSearching() {
            const model = viewModel(library, "contentState")
            verify(model !== null)
            model.query = "usb"
            verify(emptyState(library, "No recordings").visible)
            verify(!emptyState(library, "No matches").visible)
            model.query = ""
        }

        function test_createdDialogueShowsItsEmptyState() {
            const model = viewModel(dialogues, "listCollapsed")
            verify(model !== null)
            verify(emptyState(dialogues, "No dialogues").visible)
            verify(emptyState(dialogues, "No dialogue selected").visible)

            model.createProject()
            compare(model.dialogues.count, 1)
            verify(model.hasSelection)
            compare(model.nameDraft, "Untitled dialogue")
            verify(!emptyState(dialogues, "No dialogue selected").visible)
            const empty = emptyState(dialogues, "Empty dialogue")
            verify(empty.visible)
            compare(empty.actionText, "Add recording")

            model.listCollapsed = true
            model.listCollapsed = false
            model.requestDelete(model.selectedId)
            model.confirmDelete()
            compare(model.dialogues.count, 0)
            verify(!model.hasSelection)
        }
    }
}
