#pragma once
// The settings object's dialogs on Qt: installed by the program with SetSettingsDialogs.
// Owners are passed as QWidget* (or null).
#include <functional>
#include <map>

#include "settings/player_settings.h"
#include "settings/qt/dialog_conventions.h"

class QCheckBox;
class QLineEdit;

namespace vl {

// Dialog 155: minutes edit 1076 with spin 1078 (buttons "up" and "down"), "Sleep timer" box
// 1047, "Power off" box 1027, Done (object name "1") and Cancel ("2").
class SleepTimerDialog : public DeviceDialog {
    Q_OBJECT
public:
    SleepTimerDialog(PlayerSettings& settings, QWidget* owner);

    void accept() override;

private:
    void OnSleepTimerClicked();
    void EnableEditing(bool enable);

    PlayerSettings& settings_;
    QLineEdit* minutes_ = nullptr;
    QCheckBox* sleepTimer_ = nullptr;
    QCheckBox* powerOff_ = nullptr;
    QWidget* spin_ = nullptr;
};

// Makes the page of one dialog id for the settings it edits (the engine, where a page needs it,
// is the settings' optionsEngine while the sheet is open).
using OptionPageFactory = std::function<PropertyPage*(PlayerSettings&)>;

class SettingsDialogsQt : public SettingsDialogs {
public:
    SettingsDialogsQt();

    // The option sheet (dialog 0 with the pages of GetOptionPages, the first one shown).
    void ShowOptions(PlayerSettings& settings, void* owner, PlayerEngine* engine) override;
    bool ShowSleepTimer(PlayerSettings& settings, void* owner) override;
    int ShowOpenUrl(PlayerSettings& settings, void* owner, std::wstring& url) override;

    // Builds the sheet without showing it; pages whose dialog id has no factory are left out.
    PropertySheet* CreateOptionSheet(PlayerSettings& settings, QWidget* owner);

protected:
    void AddPageKind(int dialogId, OptionPageFactory factory);

private:
    std::map<int, OptionPageFactory> pageKinds_;
};

}  // namespace vl
