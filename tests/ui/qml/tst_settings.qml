// SPDX-License-Identifier: GPL-3.0-or-later
// Settings screen: switches show the stored cleanup settings and change them at once.
import QtQuick
import QtQuick.Controls
import QtTest
import Chorale

Item {
    width: 900
    height: 700

    Loader {
        id: loader
        anchors.fill: parent
        sourceComponent: SettingsPage {}
    }

    TestCase {
        name: "Settings"
        when: windowShown

        function switches(item) {
            let found = []
            for (let i = 0; i < item.children.length; ++i) {
                const child = item.children[i]
                if (child instanceof Switch)
                    found.push(child)
                found = found.concat(switches(child))
            }
            return found
        }

        function test_switchesFollowTheSettings() {
            App.cleanup.reduceNoise = true
            App.cleanup.enhanceClarity = false
            App.cleanup.normalizeVolume = true
            loader.active = false
            loader.active = true
            const all = switches(loader.item)
            compare(all.length, 3)
            compare(all.map(s => s.checked), [true, false, true])
            mouseClick(all[0])
            compare(App.cleanup.reduceNoise, false)
            mouseClick(all[1])
            compare(App.cleanup.enhanceClarity, true)
        }
    }
}
