#pragma once
// The device's hardware buttons: the table of keys the Buttons page names and captures, the
// modifier encodings of a stored KeyMapping, the functions a button can be given and the
// commands a button may run while a menu is open or the window is disabled. No Qt: the window
// and the Buttons page share it, and the key-event side lives in lyrics/qt/device_keys.h.
#include <cstdint>

namespace vl {

// Modifiers as RegisterHotKey takes them.
constexpr int MOD_ALT = 0x0001;
constexpr int MOD_CONTROL = 0x0002;
constexpr int MOD_SHIFT = 0x0004;
constexpr int MOD_WIN = 0x0008;

struct HardwareButton {
    int nameId;     // string id of the button's name
    int modifiers;  // MOD_*
    int keyCode;    // virtual-key code
};

constexpr int kHardwareButtonCount = 22;
// Rows 0..10 (Action, the four directions, Button1..Button6): what hold captures.
constexpr int kStandardButtonCount = 11;
extern const HardwareButton kHardwareButtons[kHardwareButtonCount];

// True for the key code of one of the eleven standard buttons.
bool IsStandardButton(int keyCode);
// The first row with that key code (modifiers ignored), or null.
const HardwareButton* FindHardwareButton(int keyCode);

// KeyMapping::virtFlags from RegisterHotKey modifiers (0x01 always, Alt 0x10, Ctrl 0x08,
// Shift 0x04, Win 0x20) and back.
uint16_t VirtFlagsFromModifiers(int modifiers);
int ModifiersFromVirtFlags(uint16_t virtFlags);

// The functions of the Buttons page's combo in order, after its first item "Select" (40082);
// each item's text is the string of its command. The last one, 40025, removes a mapping.
constexpr int kButtonFunctionCount = 25;
extern const int kButtonFunctions[kButtonFunctionCount];
constexpr int kUnmapCommand = 40025;
constexpr int kSelectFunctionText = 40082;

// Commands that a button still runs while a menu is open or the main window is disabled.
bool IsAlwaysAllowedCommand(int command);

}  // namespace vl
