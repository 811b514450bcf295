#include "ui/qt/dialog_screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

#include <cstdio>

#include "ui/commands.h"
#include "ui/qt/main_window.h"

namespace vl {

namespace {

template <int Command>
void Run(MainWindow& window) {
    window.OnCommand(Command);
}

// The lyrics search of the current entry (the first when none is current); modeless.
void OpenSearch(MainWindow& window) {
    if (window.openLyricsSearch) window.openLyricsSearch(std::max(0, window.GetCurrentIndex()));
}

// The dialog on show: the modal one, else a visible top-level dialog (a modeless one).
QDialog* ShownDialog() {
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) return modal;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    return nullptr;
}

const DialogShot kDialogShots[] = {
    {"options", Run<IDM_OPTIONS>},
    {"effects", Run<IDM_EFFECTS>},
    {"browser", Run<IDM_OPEN_FILE>},
    {"playlist", Run<IDM_MODIFY_PLAYLIST>},
    {"search", OpenSearch},
    {"openurl", Run<IDM_OPEN_URL>},
    {"about", Run<IDM_ABOUT>},
    {"sleep", Run<IDM_SLEEP_TIMER>},
};

}  // namespace

const DialogShot* FindDialogShot(const std::string& name) {
    for (const DialogShot& shot : kDialogShots)
        if (name == shot.name) return &shot;
    return nullptr;
}

std::string DialogShotNames() {
    std::string names;
    for (const DialogShot& shot : kDialogShots) names += (names.empty() ? "" : ", ") + std::string(shot.name);
    return names;
}

int TakeDialogShot(MainWindow& window, const DialogShot& shot, const QString& path) {
    int code = 1;
    bool taken = false;
    bool closed = false;
    QEventLoop wait;
    // A modal dialog runs its own loop inside open(); this timer works from within it.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QDialog* dialog = ShownDialog();
        if (taken || !dialog) return;
        taken = true;
        poll.stop();
        // One more turn of the loop so that every layout has run.
        QTimer::singleShot(50, dialog, [&, dialog] {
            if (dialog->grab().save(path, "PNG")) code = 0;
            else std::fprintf(stderr, "versolune: cannot write %s\n", path.toLocal8Bit().constData());
            dialog->reject();
            closed = true;
            wait.quit();
        });
    });
    poll.start();
    shot.open(window);
    // A modeless dialog is still open here: wait for its picture (or give up when none shows).
    if (!closed && (taken || ShownDialog())) {
        QTimer::singleShot(10000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    poll.stop();
    if (!taken) std::fprintf(stderr, "versolune: the dialog %s did not open\n", shot.name);
    window.close();
    return code;
}

}  // namespace vl
