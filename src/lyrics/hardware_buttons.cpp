#include "lyrics/hardware_buttons.h"

#include <algorithm>
#include <iterator>

namespace vl {

const HardwareButton kHardwareButtons[kHardwareButtonCount] = {
    {1100, 0, 0x0D},       {1101, 0, 0x25},       {1102, 0, 0x26},       {1103, 0, 0x27},
    {1104, 0, 0x28},       {1105, MOD_WIN, 0xC1}, {1106, MOD_WIN, 0xC2}, {1107, MOD_WIN, 0xC3},
    {1108, MOD_WIN, 0xC4}, {1109, MOD_WIN, 0xC5}, {1110, MOD_WIN, 0xC6}, {1111, MOD_WIN, 0xCA},
    {1112, MOD_WIN, 0xCB}, {1113, MOD_WIN, 0xCC}, {1114, MOD_WIN, 0xCD}, {1111, 0, 0x8E},
    {1112, 0, 0x8D},       {1113, 0, 0x8B},       {1114, 0, 0x8A},       {1115, 0, 0x8C},
    {1116, 0, 0x89},       {1117, 0, 0x88},
};

const int kButtonFunctions[kButtonFunctionCount] = {
    40027, 40098, 40036, 40037, 40074, 40075, 40038, 40016, 40018, 40011, 40002, 40015, 40001,
    40009, 122,   124,   40019, 40112, 40126, 40127, 100,   40092, 40096, 40004, 40025,
};

bool IsStandardButton(int keyCode) {
    return std::any_of(kHardwareButtons, kHardwareButtons + kStandardButtonCount,
                       [keyCode](const HardwareButton& b) { return b.keyCode == keyCode; });
}

const HardwareButton* FindHardwareButton(int keyCode) {
    for (const HardwareButton& b : kHardwareButtons)
        if (b.keyCode == keyCode) return &b;
    return nullptr;
}

uint16_t VirtFlagsFromModifiers(int modifiers) {
    uint16_t flags = 0x01;
    if (modifiers & MOD_ALT) flags |= 0x10;
    if (modifiers & MOD_CONTROL) flags |= 0x08;
    if (modifiers & MOD_SHIFT) flags |= 0x04;
    if (modifiers & MOD_WIN) flags |= 0x20;
    return flags;
}

int ModifiersFromVirtFlags(uint16_t virtFlags) {
    int modifiers = 0;
    if (virtFlags & 0x08) modifiers |= MOD_CONTROL;
    if (virtFlags & 0x10) modifiers |= MOD_ALT;
    if (virtFlags & 0x04) modifiers |= MOD_SHIFT;
    if (virtFlags & 0x20) modifiers |= MOD_WIN;
    return modifiers;
}

bool IsAlwaysAllowedCommand(int command) {
    static const int kAllowed[] = {100,   122,   124,   40016, 40027, 40036, 40037,
                                   40038, 40074, 40075, 40092, 40096, 40098};
    return std::find(std::begin(kAllowed), std::end(kAllowed), command) != std::end(kAllowed);
}

}  // namespace vl
