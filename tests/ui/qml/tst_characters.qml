// SPDX-License-Identifier: GPL-3.0-or-later
// Characters screen: the empty state and the add sheet it opens.
import QtQuick
import QtTest
import Chorale

Item {
    width: 1000
    height: 700

    CharactersPage {
        id: page
        anchors.fill: parent
    }

    TestCase {
        name: "Characters"
        when: windowShown

        // Walks `data`, not `children`: sheets are popups, which are not visual children.
        function find(item, predicate) {
            const kids = item.data !== undefined ? item.data : (item.contentItem ? [item.contentItem] : [])
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

        function test_emptyStateOpensTheSheet() {
            const empty = find(page, c => c.hasOwnProperty("actionText") && c.title === "No characters yet")
            verify(empty !== null)
            verify(empty.visible)
            empty.action()
            const sheet = find(page, c => c.hasOwnProperty("forEmotion"))
            verify(sheet !== null)
            tryVerify(() => sheet.opened)
            verify(!sheet.forEmotion)
            verify(!sheet.form.canAdd)
            compare(sheet.form.emotionName, "Neutral")
            sheet.close()
        }
    }
}
