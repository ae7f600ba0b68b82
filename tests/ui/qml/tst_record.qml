// SPDX-License-Identifier: GPL-3.0-or-later
// Record and Prompt screens: the level meter's floor, the record button's round click target,
// and the pickers and Generate button of a store without characters.
import QtQuick
import QtTest
import Chorale

Item {
    width: 1000
    height: 700

    LevelMeter {
        id: meter
        width: 220
        height: 8
    }

    RecordButton {
        id: button
        x: 300
    }

    SignalSpy {
        id: clicks
        target: button
        signalName: "clicked"
    }

    Loader {
        id: pages
        anchors.fill: parent
    }

    Component { id: recordPage; RecordPage {} }
    Component { id: promptPage; PromptPage {} }

    TestCase {
        name: "Record"
        when: windowShown

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

        function picker(page, label) {
            return find(page, c => c.hasOwnProperty("pickerEnabled") && c.label === label)
        }

        function test_meterBar_data() {
            return [
                { tag: "silence", level: 0, width: 8 },
                { tag: "faint", level: 0.02, width: 8 },
                { tag: "half", level: 0.5, width: 110 },
                { tag: "full", level: 1, width: 220 },
                { tag: "over", level: 3, width: 220 },
            ]
        }

        function test_meterBar(data) {
            meter.level = data.level
            compare(meter.barWidth, data.width)
        }

        function test_buttonTakesClicksInsideTheCircleOnly() {
            clicks.clear()
            mouseClick(button, 3, 3)          // corner of the bounds, outside the circle
            mouseClick(button, 109, 109)
            compare(clicks.count, 0)
            mouseClick(button, 56, 56)
            mouseClick(button, 56, 3)         // just inside the top of the circle
            compare(clicks.count, 2)
            button.recording = true
            compare(button.Accessible.name, "Stop")
        }

        function test_recordPickersWithoutCharacters() {
            pages.sourceComponent = recordPage
            tryVerify(() => pages.status === Loader.Ready)
            const character = picker(pages.item, "Character")
            const emotion = picker(pages.item, "Emotion")
            verify(character !== null && emotion !== null)
            compare(character.menu.displayText, "Select a character")
            compare(emotion.menu.displayText, "No emotions")
            verify(!emotion.menu.enabled)
            compare(picker(pages.item, "Voice").menu.count, 2)
            compare(picker(pages.item, "Language").menu.count, 23)
            compare(picker(pages.item, "Effect").menu.displayText, "None")
            pages.sourceComponent = null
        }

        function test_promptGenerateNeedsAVoiceAndText() {
            pages.sourceComponent = promptPage
            tryVerify(() => pages.status === Loader.Ready)
            const generate = find(pages.item, c => c.objectName === "generateButton")
            const editor = find(pages.item, c => c.objectName === "promptEditor")
            verify(generate !== null && editor !== null)
            verify(!generate.enabled)
            editor.text = "Hello there"
            verify(!generate.enabled, "no character to speak with")
            compare(picker(pages.item, "Emotion").menu.displayText, "No emotions")
            pages.sourceComponent = null
        }
    }
}
