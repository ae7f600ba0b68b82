// SPDX-License-Identifier: GPL-3.0-or-later
// The microphone listing rules (filtering, name and uid fallbacks, the built-in rule, the sort
// order, the picker's default selection) on plain device descriptions: no hardware involved.
#include "audio/AudioDeviceList.h"

#include <gtest/gtest.h>

#include <vector>

namespace chorale {
namespace {

using AudioDeviceList::DeviceDescription;

DeviceDescription mic(quint32 id, std::optional<QString> name, int channels = 1,
                      bool builtInTransport = false) {
    DeviceDescription d;
    d.id = id;
    d.name = std::move(name);
    d.uid = QStringLiteral("uid-%1").arg(id);
    d.inputChannels = channels;
    d.builtInTransport = builtInTransport;
    return d;
}

struct ListingCase {
    const char *what;
    QList<DeviceDescription> devices;
    quint32 defaultID;
    std::vector<quint32> expectedOrder;
};

class ListingRules : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ListingRules, ListsCaptureDevicesInPickerOrder) {
    const ListingCase &c = GetParam();
    std::vector<quint32> order;
    for (const AudioInputDevice &d : AudioDeviceList::inputs(c.devices, c.defaultID))
        order.push_back(d.id);
    EXPECT_EQ(order, c.expectedOrder) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
        AudioDeviceList, ListingRules,
        ::testing::Values(ListingCase{"no devices", {}, 0, {}},
                          ListingCase{"output-only device is left out",
                                      {mic(1, "HDMI Output", 0), mic(2, "Desk Mic")},
                                      0,
                                      {2}},
                          ListingCase{"default external device first, even before a built-in one",
                                      {mic(1, "Internal", 1, true), mic(2, "USB Mic")},
                                      2,
                                      {2, 1}},
                          ListingCase{"built in before external",
                                      {mic(1, "Alpha USB"), mic(2, "Zulu", 2, true)},
                                      99,
                                      {2, 1}},
                          ListingCase{"names compare without case",
                                      {mic(1, "zeta Mic"), mic(2, "Alpha Mic")},
                                      0,
                                      {2, 1}},
                          ListingCase{"equal names keep the audio system's order",
                                      {mic(5, "Mic"), mic(3, "mic"), mic(4, "Mic")},
                                      0,
                                      {5, 3, 4}},
                          ListingCase{"built-in by name sorts with built-in devices",
                                      {mic(1, "Aardvark"), mic(2, "USB Built-In Mic")},
                                      0,
                                      {2, 1}}),
        [](const auto &param) { return std::to_string(param.index); });

TEST(AudioDeviceList, FillsMissingNameAndUidFromTheIdentifier) {
    DeviceDescription nameless;
    nameless.id = 73;
    nameless.inputChannels = 2;
    const QList<AudioInputDevice> list = AudioDeviceList::inputs({nameless}, 0);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0],
              (AudioInputDevice{73, QStringLiteral("Microphone 73"), QStringLiteral("73"), false}));
}

TEST(AudioDeviceList, ClassesBuiltInByTransportOrByName) {
    struct Case {
        QString name;
        bool transport;
        bool expected;
    };
    const Case cases[] = {
            {"Studio Mic", true, true},
            {"USB bUILT-iN Microphone", false, true}, // any letter case, whatever the transport
            {"MacBook Pro Microphone", false, true},
            {"macbook air mic", false, true},
            {"Built in Mic", false, false}, // no hyphen: not the rule's word
            {"Blue Yeti", false, false},
    };
    for (const Case &c : cases) {
        DeviceDescription d = mic(1, c.name, 1, c.transport);
        const auto list = AudioDeviceList::inputs({d}, 0);
        ASSERT_EQ(list.size(), 1);
        EXPECT_EQ(list[0].isBuiltin, c.expected) << c.name.toStdString();
    }
}

TEST(AudioDeviceList, DisplayLabelNamesTheKindOfDevice) {
    EXPECT_EQ((AudioInputDevice{1, "Studio Mic", "x", true}).displayLabel(),
              QStringLiteral("Studio Mic (Built-in)"));
    EXPECT_EQ((AudioInputDevice{1, "Yeti", "x", false}).displayLabel(),
              QStringLiteral("Yeti (USB / External)"));
}

TEST(AudioDeviceList, SelectionKeepsTheChoiceWhileItIsListed) {
    const QList<AudioInputDevice> list = {{7, "A", "a", false}, {9, "B", "b", false}};
    EXPECT_EQ(AudioDeviceList::selection(list, 9u, 5), 9u);
    EXPECT_EQ(AudioDeviceList::selection(list, 4u, 5), 7u) << "a vanished device gives way";
    EXPECT_EQ(AudioDeviceList::selection(list, std::nullopt, 5), 7u);
    EXPECT_EQ(AudioDeviceList::selection({}, 9u, 5), 5u) << "empty list: the system default";
    EXPECT_EQ(AudioDeviceList::selection({}, std::nullopt, 0), 0u);
}

TEST(AudioDeviceList, DeviceIDIsAStableHashOfThePlatformID) {
    // FNV-1a 32-bit reference values: the id must not change between runs or builds.
    EXPECT_EQ(AudioDeviceList::deviceID(""), 0x811c9dc5u);
    EXPECT_EQ(AudioDeviceList::deviceID("a"), 0xe40c292cu);
    EXPECT_EQ(AudioDeviceList::deviceID("foobar"), 0xbf9cf968u);
    EXPECT_NE(AudioDeviceList::deviceID("chorale_sine"),
              AudioDeviceList::deviceID("chorale_null.monitor"));
}

TEST(AudioDeviceList, BuiltInCardsAreThoseOnPciOrPlatformBuses) {
    EXPECT_TRUE(AudioDeviceList::isBuiltInCard("alsa_input.pci-0000_00_1f.3.analog-stereo"));
    EXPECT_TRUE(AudioDeviceList::isBuiltInCard("alsa_input.platform-sof-audio.HiFi__Mic1__source"));
    EXPECT_FALSE(AudioDeviceList::isBuiltInCard("alsa_input.usb-Blue_Microphones_Yeti-00.mono"));
    EXPECT_FALSE(
            AudioDeviceList::isBuiltInCard("alsa_output.pci-0000_00_1f.3.analog-stereo.monitor"));
    EXPECT_FALSE(AudioDeviceList::isBuiltInCard("bluez_input.00_11_22_33_44_55"));
}

} // namespace
} // namespace chorale
