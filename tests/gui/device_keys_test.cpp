// The keyboard as the device's buttons.
#include "lyrics/qt/device_keys.h"

#include <gtest/gtest.h>

#include "lyrics/hardware_buttons.h"

namespace vl {
namespace {

TEST(DeviceKeys, MapsTheTableAndAddsHeldModifiers) {
    struct Row {
        int qtKey;
        Qt::KeyboardModifiers held;
        int modifiers;
        int keyCode;
        uint16_t flags;
    };
    const Row rows[] = {
        {Qt::Key_Return, Qt::NoModifier, 0, 0x0D, 0x01},
        {Qt::Key_Enter, Qt::KeypadModifier, 0, 0x0D, 0x01},
        {Qt::Key_Down, Qt::NoModifier, 0, 0x28, 0x01},
        {Qt::Key_F1, Qt::NoModifier, MOD_WIN, 0xC1, 0x21},
        {Qt::Key_F1, Qt::ControlModifier, MOD_WIN | MOD_CONTROL, 0xC1, 0x29},
        {Qt::Key_F6, Qt::AltModifier | Qt::ShiftModifier, MOD_WIN | MOD_ALT | MOD_SHIFT, 0xC6, 0x35},
        {Qt::Key_MediaTogglePlayPause, Qt::NoModifier, 0, 0x8E, 0x01},
        {Qt::Key_MediaPrevious, Qt::NoModifier, 0, 0x8A, 0x01},
        {Qt::Key_VolumeMute, Qt::NoModifier, 0, 0x88, 0x01},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.qtKey);
        DeviceKey key;
        ASSERT_TRUE(DeviceKeyFromQt(r.qtKey, r.held, key));
        EXPECT_EQ(key.modifiers, r.modifiers);
        EXPECT_EQ(key.keyCode, r.keyCode);
        EXPECT_EQ(VirtFlagsFromModifiers(key.modifiers), r.flags);
    }
    DeviceKey key;
    EXPECT_FALSE(DeviceKeyFromQt(Qt::Key_A, Qt::NoModifier, key));
    EXPECT_FALSE(DeviceKeyFromQt(Qt::Key_F7, Qt::NoModifier, key));
}

}  // namespace
}  // namespace vl
