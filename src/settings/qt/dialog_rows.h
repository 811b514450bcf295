#pragma once
// Parts shared by the full-screen dialogs of the settings: a top row with the title static
// 1029 at the left and the dialog's buttons at the right.
#include <QString>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QPushButton;

namespace vl {

// Gives dialog a vertical layout holding the title row (title, then the separator line of the
// small screen) and returns the row, so the caller adds its buttons at the right.
QHBoxLayout* AddTitleRow(QDialog& dialog, const QString& title);
// A push button named by its control id.
QPushButton* AddButton(QBoxLayout* layout, int id, const QString& text);

}  // namespace vl
