#pragma once
// Pictures of the player's dialogs without a user: "versolune --screenshot-dialog NAME". Each
// dialog has one row in the table (its name and how the window opens it, as the user would).
#include <QString>

#include <string>

namespace vl {

class MainWindow;

struct DialogShot {
    const char* name;
    void (*open)(MainWindow& window);
};

// The row of that name, or null.
const DialogShot* FindDialogShot(const std::string& name);
// The names of the table, separated by ", " (for the usage text).
std::string DialogShotNames();

// Opens the dialog over window, saves it as a PNG at path once it is shown and laid out, closes
// it without applying anything and then closes the window. Returns the exit code: 0 when the
// picture was written, 1 when the dialog did not open or the file could not be written.
int TakeDialogShot(MainWindow& window, const DialogShot& shot, const QString& path);

}  // namespace vl
