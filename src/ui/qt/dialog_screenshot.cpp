#include "ui/qt/dialog_screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>

#include "ui/commands.h"
#include "ui/qt/main_window.h"

namespace vl {

namespace {

template <int Command>
void Run(MainWindow& window) {
    window.OnCommand(Command);
}

const DialogShot kDialogShots[] = {
    {"options", Run<IDM_OPTIONS>},
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
    // The dialog runs its own modal loop inside open(); this timer works from within it.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (taken || !dialog || !dialog->isVisible()) return;
        taken = true;
        poll.stop();
        // One more turn of the loop so that every layout has run.
        QTimer::singleShot(50, dialog, [&code, dialog, path] {
            if (dialog->grab().save(path, "PNG")) code = 0;
            else std::fprintf(stderr, "versolune: cannot write %s\n", path.toLocal8Bit().constData());
            dialog->reject();
        });
    });
    poll.start();
    shot.open(window);
    poll.stop();
    if (!taken) std::fprintf(stderr, "versolune: the dialog %s did not open\n", shot.name);
    window.close();
    return code;
}

}  // namespace vl
