// SPDX-License-Identifier: GPL-3.0-or-later
// The occasional request for a donation (third, tenth and twentieth start).
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Chorale

Sheet {
    id: root

    sheetWidth: 440
    closePolicy: Popup.NoAutoClose

    ColumnLayout {
        width: root.availableWidth
        spacing: 16

        StyledText {
            text: "Buy me a cup of coffee"
            textStyle: Theme.title2
        }
        StyledText {
            Layout.fillWidth: true
            text: "If you find Lyra useful, please consider supporting the developer."
            secondary: true
        }
        RowLayout {
            Layout.fillWidth: true

            Button {
                text: "Donate with PayPal"
                highlighted: true
                onClicked: App.openDonationPage()
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                text: "Maybe another time"
                onClicked: App.donateLater()
            }
        }
        Button {
            text: "I have already donated"
            flat: true
            font.pixelSize: Theme.caption.size
            palette.buttonText: Theme.link
            onClicked: App.alreadyDonated()
        }
    }
}
