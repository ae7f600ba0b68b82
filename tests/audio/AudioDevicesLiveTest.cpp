// SPDX-License-Identifier: GPL-3.0-or-later
// The device list as the audio server reports it: the default input comes first and every id
// leads back to its device.
#include "LiveAudio.h"
#include "audio/AudioDeviceList.h"

#include <QMediaDevices>

#include <gtest/gtest.h>

namespace chorale {
namespace {

TEST(AudioDeviceListLive, ListsTheServersInputsDefaultFirst) {
    CHORALE_REQUIRE_AUDIO(true);
    const QList<AudioInputDevice> list = AudioDeviceList::inputs();
    ASSERT_FALSE(list.isEmpty());
    const QAudioDevice defaultInput = QMediaDevices::defaultAudioInput();
    EXPECT_EQ(list.first().uid, QString::fromUtf8(defaultInput.id()));
    EXPECT_EQ(list.first().id, AudioDeviceList::defaultInputID());
    EXPECT_EQ(list.size(), QMediaDevices::audioInputs().size());
    for (const AudioInputDevice &device : list) {
        EXPECT_EQ(device.id, AudioDeviceList::deviceID(device.uid.toUtf8()));
        EXPECT_FALSE(device.name.isEmpty());
        const std::optional<QAudioDevice> found = AudioDeviceList::findInput(device.id);
        ASSERT_TRUE(found) << device.uid.toStdString();
        EXPECT_EQ(found->id(), device.uid.toUtf8());
    }
    if (test::testSourceIsSine()) {
        const auto sine = std::find_if(list.begin(), list.end(), [](const AudioInputDevice &d) {
            return d.uid == qEnvironmentVariable("CHORALE_TEST_SOURCE");
        });
        ASSERT_NE(sine, list.end());
        EXPECT_FALSE(sine->isBuiltin) << "a virtual source is not the machine's microphone";
    }
    EXPECT_FALSE(AudioDeviceList::findInput(0));
}

} // namespace
} // namespace chorale
