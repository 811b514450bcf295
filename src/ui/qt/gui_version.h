#pragma once
#include <QString>

namespace vl {

// The product name and version as the windows show it.
QString GuiVersionText();

}  // namespace vl
