#pragma once
// The Presets page of the effects sheet (140) and its "Save Presets" dialog (142). Loading
// pushes a preset file into the engine; saving writes the engine's current values of the
// chosen effects to a file named by the user. Object names: list 1004, Load 1007, Save... 40044,
// Delete 1021; in the dialog the name edit 1022, the boxes 1043 (Equalizer), 1031 (Surround),
// 1005 (3D Effect), 1032 (Reverb), 1040 (Echo), 1033 (Bass Boost), Done 1 and Cancel 2.
#include "settings/presets.h"
#include "settings/qt/dialog_conventions.h"

class QCheckBox;
class QLineEdit;

namespace vl {

PropertyPage* CreatePresetsPage(EffectsSheetContext& context);

// Shows context.presetName and the context's six flags; Done with a name free of the forbidden
// characters stores the boxes into the flags and the name into context.presetName.
class SavePresetsDialog : public DeviceDialog {
    Q_OBJECT
public:
    SavePresetsDialog(EffectsSheetContext& context, QWidget* owner);

    void accept() override;

private:
    EffectsSheetContext& context_;
    QLineEdit* name_;
    QCheckBox* boxes_[6];
};

}  // namespace vl
