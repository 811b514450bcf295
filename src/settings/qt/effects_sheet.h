#pragma once
// The effects sheet: Equalizer (158), Surround (165), Reverb (153), BassBoost (167) and Presets
// (140). Every slider movement and every box goes straight to the engine, so the change is
// heard at once; each page reads the engine again whenever it is shown, so a preset loaded on
// the last page shows on the others. Nothing is written to the registry here (the values are
// saved at exit), and closing the sheet, by Done or otherwise, has nothing left to apply.
// Object names: the sheet "Effects", Done 1; the controls by their ids.
#include "settings/presets.h"

class QWidget;

namespace vl {

class PropertySheet;

// Builds the sheet over context (which must outlive it) without showing it.
PropertySheet* CreateEffectsSheet(EffectsSheetContext& context, QWidget* owner);

// Runs the sheet modally on its first page.
void ShowEffects(QWidget* owner, PlayerEngine& engine);

}  // namespace vl
