#include "ui/qt/gui_version.h"

namespace vl {

QString GuiVersionText() { return QStringLiteral("Versolune " VERSOLUNE_VERSION); }

}  // namespace vl
