// Hardware buttons at run time: which keys are captured (the mapped ones, and with hold the
// eleven standard buttons), what a press does, and the hold lock with its notice.
#include <QApplication>

#include "lyrics/hardware_buttons.h"
#include "lyrics/lyrics_commands.h"
#include "lyrics/qt/lyrics_window.h"

namespace vl {

void LyricsWindow::RegisterButtons() {
    if (buttonsRegistered) return;
    registeredKeys.clear();
    LyricsSettings* s = GetLyricsSettings();
    if (holdOn)
        for (int i = 0; i < kStandardButtonCount; ++i)
            registeredKeys.emplace_back(kHardwareButtons[i].modifiers, kHardwareButtons[i].keyCode);
    for (int i = 0; s && i < s->keyMap.GetCount(); ++i) {
        const KeyMapping* m = s->GetKeyMapping(i);
        if (holdOn && IsStandardButton(m->keyCode)) continue;
        registeredKeys.emplace_back(ModifiersFromVirtFlags(m->virtFlags), m->keyCode);
    }
    buttonsRegistered = 1;
}

void LyricsWindow::UnregisterButtons() {
    if (!buttonsRegistered) return;
    registeredKeys.clear();
    buttonsRegistered = 0;
}

void LyricsWindow::PostHotKey(int modifiers, int key) {
    QCoreApplication::postEvent(this, new WindowMessageEvent(kHotKeyEvent, static_cast<uintptr_t>(key),
                                                             (modifiers & 0xFFFF) | (intptr_t(key) << 16)));
}

void LyricsWindow::OnHotKey(int, int, int key) {
    // A burst of presses acts once.
    QCoreApplication::removePostedEvents(this, kHotKeyEvent);
    NoteActivity();
    LyricsSettings* s = GetLyricsSettings();
    const KeyMapping* mapping = nullptr;
    for (int i = 0; i < s->keyMap.GetCount() && !mapping; ++i)
        if (s->GetKeyMapping(i)->keyCode == key) mapping = s->GetKeyMapping(i);
    if (!mapping) {
        if (holdOn) ShowHoldNotice();
        return;
    }
    const int command = mapping->command;
    // Hold stands for the device's disabled window; a modal dialog disables it too.
    const bool disabled = holdOn || QApplication::activeModalWidget() != nullptr;
    if ((menuOpen || popupMenu || disabled) && !IsAlwaysAllowedCommand(command)) return;
    if (holdOn && command != IDM_DISPLAY_OFF && command != IDM_HOLD && command != IDM_HOLD_DISPLAY &&
        IsStandardButton(key)) {
        ShowHoldNotice();
    } else {
        PostCommand(this, command);
    }
    if (s->dispAutoOn == 1 && command != IDM_DISPLAY_OFF && command != IDM_HOLD_DISPLAY) DisplayOnByUser();
}

void LyricsWindow::ShowHoldNotice() {
    KillTimer(12);
    holdNoticeShown = 1;
    SetTimer(12, 1500);
    InvalidateTitle();
}

void LyricsWindow::CmdHold() {
    UnregisterButtons();
    holdOn = holdOn ? 0 : 1;
    RegisterButtons();
    if (!active) {
        raise();
        activateWindow();
    }
    ShowHoldNotice();
}

void LyricsWindow::CmdHoldDisplay() {
    CmdHold();
    if (holdOn) {
        DisplayOff();
    } else {
        DisplayOn();
        update();
    }
}

}  // namespace vl
