#include "lyrics/hardware_buttons.h"

#include <gtest/gtest.h>

namespace vl {
namespace {

TEST(HardwareButtons, FlagsRoundTripThroughModifiers) {
    struct Row {
        int modifiers;
        uint16_t flags;
    };
    const Row rows[] = {
        {0, 0x01},
        {MOD_WIN, 0x21},
        {MOD_CONTROL, 0x09},
        {MOD_ALT, 0x11},
        {MOD_SHIFT, 0x05},
        {MOD_WIN | MOD_CONTROL | MOD_ALT | MOD_SHIFT, 0x3D},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.modifiers);
        EXPECT_EQ(VirtFlagsFromModifiers(r.modifiers), r.flags);
        EXPECT_EQ(ModifiersFromVirtFlags(r.flags), r.modifiers);
    }
}

TEST(HardwareButtons, StandardButtonsAreTheFirstElevenRows) {
    EXPECT_TRUE(IsStandardButton(0x0D));
    EXPECT_TRUE(IsStandardButton(0xC6));
    EXPECT_FALSE(IsStandardButton(0xCA));  // Remote1 with MOD_WIN
    EXPECT_FALSE(IsStandardButton(0x8E));
    // The name is the first row with the key, whatever its modifiers.
    ASSERT_NE(FindHardwareButton(0x8E), nullptr);
    EXPECT_EQ(FindHardwareButton(0x8E)->nameId, 1111);
    EXPECT_EQ(FindHardwareButton(200), nullptr);
    EXPECT_TRUE(IsAlwaysAllowedCommand(40092));
    EXPECT_FALSE(IsAlwaysAllowedCommand(40004));
}

}  // namespace
}  // namespace vl
