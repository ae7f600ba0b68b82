// SPDX-License-Identifier: GPL-3.0-or-later
// The sidebar follows and drives navigation; the Prompt screen survives section switches.
import QtQuick
import QtTest
import Chorale

Item {
    width: 1100
    height: 740

    Sidebar {
        id: sidebar
        width: 100
        height: parent.height
    }

    SectionHost {
        id: host
        x: 100
        width: 1000
        height: parent.height
    }

    TestCase {
        name: "Shell"
        when: windowShown

        function buttons() {
            const found = []
            const walk = item => {
                for (let i = 0; i < item.children.length; ++i) {
                    const child = item.children[i]
                    if (child.hasOwnProperty("selected") && child.hasOwnProperty("title"))
                        found.push(child)
                    walk(child)
                }
            }
            walk(sidebar)
            return found
        }

        function test_buttonsInOrderAndSelection() {
            const all = buttons()
            compare(all.map(b => b.title), ["Characters", "Record", "Prompt", "Recordings",
                                            "Dialogues", "Settings"])
            App.navigation.section = "characters"
            verify(all[0].selected)
            mouseClick(all[3])
            compare(App.navigation.section, "library")
            verify(all[3].selected && !all[0].selected)
            mouseClick(all[5])
            compare(App.navigation.section, "settings")
        }

        function test_promptLayerStaysAlive() {
            App.navigation.section = "prompt"
            const prompt = host.children[0].item
            verify(prompt !== null)
            App.navigation.section = "library"
            compare(host.children[0].item, prompt)
            compare(host.children[0].opacity, 0)
            verify(!host.children[0].enabled)
            App.navigation.section = "prompt"
            compare(host.children[0].item, prompt)
            compare(host.children[0].opacity, 1)
        }
    }
}
