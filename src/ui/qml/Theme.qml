// SPDX-License-Identifier: GPL-3.0-or-later
// Metrics, text styles and colours of the app, in one place. Sizes are logical pixels
// (one design point each).
pragma Singleton
import QtQuick

QtObject {
    id: root

    readonly property SystemPalette palette: SystemPalette { colorGroup: SystemPalette.Active }

    // Colours
    readonly property color accent: "#0A84FF"
    readonly property color primary: palette.windowText
    readonly property color secondary: Qt.rgba(primary.r, primary.g, primary.b, 0.55)
    readonly property color destructive: "#E0352B"
    readonly property color recording: "#E0352B"
    readonly property color windowBackground: palette.window
    readonly property color sidebarText: Qt.rgba(1 / 15, 1 / 15, 1 / 15, 1)
    readonly property color link: "#0A64D8"

    // The primary colour at an opacity: the fills of panels, rows and selections.
    function primaryAt(opacity) {
        return Qt.rgba(primary.r, primary.g, primary.b, opacity)
    }

    // Text styles: size and weight.
    readonly property QtObject largeTitle: QtObject { readonly property int size: 26; readonly property int weight: Font.Bold }
    readonly property QtObject title: QtObject { readonly property int size: 22; readonly property int weight: Font.Normal }
    readonly property QtObject title2: QtObject { readonly property int size: 17; readonly property int weight: Font.DemiBold }
    readonly property QtObject headline: QtObject { readonly property int size: 13; readonly property int weight: Font.DemiBold }
    readonly property QtObject subheadline: QtObject { readonly property int size: 11; readonly property int weight: Font.Normal }
    readonly property QtObject body: QtObject { readonly property int size: 13; readonly property int weight: Font.Normal }
    readonly property QtObject callout: QtObject { readonly property int size: 12; readonly property int weight: Font.Normal }
    readonly property QtObject caption: QtObject { readonly property int size: 10; readonly property int weight: Font.Normal }

    // Layout
    readonly property int screenPadding: 28
    readonly property int headerTopPadding: 24
    readonly property int panelRadius: 12
    readonly property int sheetPadding: 24
    readonly property int sidebarRadius: 10
}
