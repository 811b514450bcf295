#pragma once
// Dialog 110 "About": the version line (static 1029), the program's icon and the buffer text
// (static 1079), rebuilt every 500 ms from the engine while the box is open.
#include <QString>

#include "settings/qt/dialog_conventions.h"

class QLabel;

namespace vl {

class PlayerEngine;

// String 20 filled with the stream buffer's and the audio ring's used and total kilobytes and
// their percentages (0 % when a buffer has no size).
QString BufferInfoText(PlayerEngine& engine);

class AboutBox : public DeviceDialog {
    Q_OBJECT
public:
    AboutBox(PlayerEngine& engine, QWidget* owner);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    PlayerEngine& engine_;
    QLabel* buffers_;
    int timer_ = 0;
};

// Runs the box modally.
void ShowAbout(QWidget* owner, PlayerEngine& engine);

}  // namespace vl
