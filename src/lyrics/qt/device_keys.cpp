#include "lyrics/qt/device_keys.h"

#include <QKeyEvent>

#include "lyrics/hardware_buttons.h"

namespace vl {

namespace {

struct KeyRow {
    int qtKey;
    int modifiers;
    int keyCode;
};

constexpr KeyRow kKeyRows[] = {
    {Qt::Key_Return, 0, 0x0D},
    {Qt::Key_Enter, 0, 0x0D},
    {Qt::Key_Left, 0, 0x25},
    {Qt::Key_Up, 0, 0x26},
    {Qt::Key_Right, 0, 0x27},
    {Qt::Key_Down, 0, 0x28},
    {Qt::Key_F1, MOD_WIN, 0xC1},
    {Qt::Key_F2, MOD_WIN, 0xC2},
    {Qt::Key_F3, MOD_WIN, 0xC3},
    {Qt::Key_F4, MOD_WIN, 0xC4},
    {Qt::Key_F5, MOD_WIN, 0xC5},
    {Qt::Key_F6, MOD_WIN, 0xC6},
    {Qt::Key_MediaTogglePlayPause, 0, 0x8E},
    {Qt::Key_MediaPlay, 0, 0x8E},
    {Qt::Key_MediaPause, 0, 0x8E},
    {Qt::Key_MediaStop, 0, 0x8D},
    {Qt::Key_MediaNext, 0, 0x8B},
    {Qt::Key_MediaPrevious, 0, 0x8A},
    {Qt::Key_VolumeUp, 0, 0x8C},
    {Qt::Key_VolumeDown, 0, 0x89},
    {Qt::Key_VolumeMute, 0, 0x88},
};

}  // namespace

bool DeviceKeyFromQt(int qtKey, Qt::KeyboardModifiers qtModifiers, DeviceKey& out) {
    for (const KeyRow& row : kKeyRows) {
        if (row.qtKey != qtKey) continue;
        out.keyCode = row.keyCode;
        out.modifiers = row.modifiers;
        if (qtModifiers & Qt::ControlModifier) out.modifiers |= MOD_CONTROL;
        if (qtModifiers & Qt::AltModifier) out.modifiers |= MOD_ALT;
        if (qtModifiers & Qt::ShiftModifier) out.modifiers |= MOD_SHIFT;
        return true;
    }
    return false;
}

bool DeviceKeyFromEvent(const QKeyEvent& event, DeviceKey& out) {
    return DeviceKeyFromQt(event.key(), event.modifiers(), out);
}

}  // namespace vl
