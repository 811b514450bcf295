#pragma once
#include <QIcon>

namespace vl {

// The program's icon (window, tray), drawn by the program itself.
QIcon AppIcon();

}  // namespace vl
