#pragma once
// The settings object's dialogs on Qt: installed by the program with SetSettingsDialogs.
// Owners are passed as QWidget* (or null).
#include <QDialog>

#include "settings/player_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vl {

// Sizes a dialog to the device screen and places it over its owner's window, as every dialog of
// the player is shown; the title static 1029 gets the highlight colour and, on a 240 x 320
// screen, a separator line below it.
void InitFullScreenDialog(QDialog& dialog, QWidget* owner);
QLabel* AddDialogTitle(QDialog& dialog, const QString& text);

// Dialog 155: minutes edit 1076 with spin 1078 (buttons "up" and "down"), "Sleep timer" box
// 1047, "Power off" box 1027, OK (object name "1") and Cancel ("2").
class SleepTimerDialog : public QDialog {
    Q_OBJECT
public:
    SleepTimerDialog(PlayerSettings& settings, QWidget* owner);

    void accept() override;
    // One spin step: +1 up, -1 down, kept within 1 ... 999.
    void StepMinutes(int direction);

private:
    void OnSleepTimerClicked();
    void EnableEditing(bool enable);

    PlayerSettings& settings_;
    QLineEdit* minutes_ = nullptr;
    QCheckBox* sleepTimer_ = nullptr;
    QCheckBox* powerOff_ = nullptr;
    QPushButton* ok_ = nullptr;
    QWidget* spin_ = nullptr;
};

class SettingsDialogsQt : public SettingsDialogs {
public:
    // The option sheet is not built yet: ShowOptions leaves the settings as they are.
    void ShowOptions(PlayerSettings& settings, void* owner, PlayerEngine* engine) override;
    bool ShowSleepTimer(PlayerSettings& settings, void* owner) override;
};

}  // namespace vl
