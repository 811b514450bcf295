#pragma once
// The Associations page (177) of the option sheet: one row with a check box per file type the
// player knows (the built-in table, then the plug-ins' extensions), ticked while the player is
// the type's handler; Done registers the newly ticked types and gives the unticked ones back.
#include "settings/player_settings.h"
#include "settings/qt/dialog_conventions.h"

namespace vl {

PropertyPage* CreateAssociationsPage(PlayerSettings& settings);

}  // namespace vl
