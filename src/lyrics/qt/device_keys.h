#pragma once
// The desktop keyboard as the device's hardware buttons: the one table that turns a key press
// into the virtual-key code and RegisterHotKey modifiers a KeyMapping stores.
//
//   key                          button      modifiers   key code
//   Enter / Return               Action      0           0x0D
//   Left, Up, Right, Down        directions  0           0x25, 0x26, 0x27, 0x28
//   F1 .. F6                     Button1..6  MOD_WIN     0xC1 .. 0xC6
//   media Play/Pause (or Play)   Remote1     0           0x8E
//   media Stop                   Remote2     0           0x8D
//   media Next                   Remote3     0           0x8B
//   media Previous               Remote4     0           0x8A
//   Volume Up                    Remote5     0           0x8C
//   Volume Down                  Remote6     0           0x89
//   Mute                         Remote7     0           0x88
//
// A held Ctrl, Alt or Shift adds MOD_CONTROL, MOD_ALT or MOD_SHIFT, so Ctrl+F1 is another key
// than F1 (stored as flags 0x29, key 0xC1; F1 alone is 0x21, 0xC1).
#include <Qt>

class QKeyEvent;

namespace vl {

struct DeviceKey {
    int modifiers = 0;  // MOD_* of lyrics/hardware_buttons.h
    int keyCode = 0;    // virtual-key code
};

// False for keys the table does not map.
bool DeviceKeyFromQt(int qtKey, Qt::KeyboardModifiers qtModifiers, DeviceKey& out);
bool DeviceKeyFromEvent(const QKeyEvent& event, DeviceKey& out);

}  // namespace vl
