#pragma once
// The two option pages the lyrics settings add to the sheet: Buttons (179), which assigns player
// functions to the hardware buttons by pressing them, and Display (180), the display's automatic
// turn-off and turn-on and the backlight. LyricsSettingsDialogsQt is the dialogs object of a
// program whose settings are LyricsSettings: it knows all eight pages.
#include <QObject>

#include <vector>

#include "lyrics/lyrics_settings.h"
#include "settings/qt/settings_dialogs_qt.h"

class QCheckBox;
class QComboBox;
class QTreeWidget;

namespace vl {

class LyricsSettingsDialogsQt : public SettingsDialogsQt {
public:
    LyricsSettingsDialogsQt();
};

// Dialog 179: function combo 1009, mapping list 1004 (button, function), box 1005 "Un-map
// buttons during background play". While the page is shown, a press of a hardware button (the
// keys of lyrics/qt/device_keys.h) is taken by the page: it maps the chosen function to the
// button, or removes the button's mapping for "<Un-map>"; the combo then returns to "Select".
class ButtonsPage : public PropertyPage {
    Q_OBJECT
public:
    explicit ButtonsPage(LyricsSettings& settings);
    ~ButtonsPage() override;

    void OnInitDialog() override;
    void OnSetActive() override;
    void OnKillActive() override;
    void OnApply() override;
    void OnQueryCancel() override;

    // A press of a hardware button while the page is shown (RegisterHotKey modifiers, key code).
    void OnHotKey(int modifiers, int keyCode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddRow(const KeyMapping& mapping);
    void DeleteRow(int row);
    void SetCapture(bool on);

    LyricsSettings& settings_;
    QComboBox* functions_;
    QTreeWidget* list_;
    QCheckBox* releaseKeyMap_;
    std::vector<KeyMapping> rows_;  // the mapping of each list row, in row order
    bool capturing_ = false;
};

}  // namespace vl
