// Plain drawing of the player window until the skinned drawing arrives: this file is replaced
// by main_window_drawing.cpp (and removed then).
#include <QPainter>

#include "engine/player_engine.h"
#include "platform/screen_profile.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"

namespace vl {

namespace {

QRect ButtonRect(const MainWindow& w, int i) {
    return QRect(ScaleX(5) + i * ScaleX(25), w.buttonTop, ScaleX(25), ScaleY(20));
}

const int kButtonCommands[8] = {IDM_OPEN_FILE, IDM_PLAY_PAUSE, IDM_STOP,    IDM_PREVIOUS,
                                IDM_REWIND,    IDM_FORWARD,    IDM_NEXT,    IDM_SHOW_MENU};
const char* const kButtonLabels[8] = {"O", ">", "[]", "|<", "<<", ">>", ">|", "M"};

}  // namespace

SkinInfo* MainWindow::CreateSkin() { return nullptr; }
void MainWindow::DeleteSkin() { skin = nullptr; }

bool MainWindow::LoadSkin() {
    backgroundImage = QImage(clientWidth, clientHeight, QImage::Format_RGB32);
    compositionImage = QImage(clientWidth, clientHeight, QImage::Format_RGB32);
    textFont = QFont(QStringLiteral("Sans"));
    textFont.setPixelSize((11 * GetScreenProfile().dpiY + 48) / 96);
    QPainter dc(&backgroundImage);
    DrawBackground(dc);
    buttonCount = 8;
    return true;
}

void MainWindow::UnloadSkin() {
    backgroundImage = QImage();
    compositionImage = QImage();
}

void MainWindow::DrawBackground(QPainter& dc) {
    dc.fillRect(0, 0, clientWidth, clientHeight, QColor(0xc0, 0xc0, 0xc0));
    DrawDisplayPanel(dc);
}

void MainWindow::DrawDisplayPanel(QPainter& dc) {
    dc.fillRect(ScaleX(5), ScaleY(5), displayWidth, displayHeight, Qt::black);
}

void MainWindow::DrawButton(QPainter& dc, int i) {
    if (i < 0 || i >= buttonCount) return;
    QRect r = ButtonRect(*this, i);
    dc.fillRect(r.adjusted(1, 1, -1, -1), buttonPressed && pressedIndex == i ? Qt::darkGray : Qt::lightGray);
    dc.setPen(Qt::black);
    dc.setFont(textFont);
    dc.drawText(r, Qt::AlignCenter, QString::fromLatin1(kButtonLabels[i]));
}

void MainWindow::DrawTrackNumber(QPainter& dc) {
    int n = (GetCurrentIndex() + 1) % 100;
    dc.setPen(Qt::green);
    dc.setFont(textFont);
    dc.drawText(QRect(2 * ScaleX(5), 2 * ScaleY(5), ScaleX(20), ScaleY(15)), Qt::AlignLeft | Qt::AlignBottom,
                QString::asprintf("%02d", n));
}

int MainWindow::GetDisplaySeconds() {
    int s;
    PlaylistEntry* entry = GetEntry(GetCurrentIndex());
    if (engine->GetState() == kStopped) s = engine->GetDuration() / 1000;
    else if ((entry && IsUrl(entry->path)) || !settings || !settings->timeReverse) s = engine->GetPosition() / 1000;
    else {
        s = (engine->GetDuration() - engine->GetPosition()) / 1000;
        if (s < 1) s = 0;
    }
    if (s > 5999) s %= 6000;
    return s < 0 ? 0 : s;
}

void MainWindow::DrawTime(QPainter& dc) {
    int s = lastSeconds = GetDisplaySeconds();
    dc.setPen(Qt::green);
    dc.setFont(textFont);
    dc.drawText(QRect(ScaleX(35), 2 * ScaleY(5), ScaleX(45), ScaleY(15)), Qt::AlignLeft | Qt::AlignBottom,
                QString::asprintf("%02d:%02d", s / 60, s % 60));
}

void MainWindow::DrawSeekBar(QPainter& dc) {
    int duration = engine->GetDuration();
    int position = lastPosition = engine->GetPosition();
    if (duration == 0 || position == 0) return;
    int width = static_cast<int>(std::min<int64_t>(int64_t(position) * seekWidth / duration, seekWidth));
    dc.fillRect(ScaleX(6), seekTop, width, 4, Qt::green);
}

void MainWindow::DrawFormatInfo(QPainter&) {}
void MainWindow::DrawPlayOptions(QPainter&) {}

void MainWindow::DrawPlayState(QPainter& dc) {
    static const char* const kStates[4] = {"", ">", "||", "..."};
    int state = engine->GetState();
    dc.setPen(Qt::green);
    dc.setFont(textFont);
    dc.drawText(QRect(ScaleX(10), statusTop, ScaleX(12), statusHeight), Qt::AlignLeft | Qt::AlignBottom,
                QString::fromLatin1(kStates[state >= 0 && state < 4 ? state : 0]));
}

void MainWindow::DrawTitle(QPainter& dc) {
    if (volumeDisplay) {
        DrawVolumeText(dc);
        return;
    }
    std::wstring title;
    GetEntryTitle(GetCurrentIndex(), title);
    dc.setPen(Qt::white);
    dc.setFont(textFont);
    dc.drawText(QRect(ScaleX(24), titleTop, titleWidth, titleHeight), Qt::AlignLeft | Qt::AlignBottom,
                QString::fromStdWString(title));
}

void MainWindow::DrawPeakMeter(QPainter&) {}

void MainWindow::DrawStreamInfo(QPainter& dc) {
    std::wstring text;
    GetStreamStatus(text);
    dc.setPen(Qt::white);
    dc.setFont(textFont);
    dc.drawText(QRect(ScaleX(24), streamTop, streamWidth, streamHeight), Qt::AlignLeft | Qt::AlignBottom,
                QString::fromStdWString(text));
}

void MainWindow::DrawVolumeText(QPainter& dc) {
    uint32_t v = GetWaveVolume();
    int level = static_cast<int>(std::max(v & 0xFFFF, v >> 16) * 100 / 65535);
    dc.setPen(Qt::white);
    dc.setFont(textFont);
    dc.drawText(QRect(ScaleX(24), titleTop, titleWidth, titleHeight), Qt::AlignLeft | Qt::AlignBottom,
                QStringLiteral("Volume %1").arg(level));
}

void MainWindow::DrawVolumeSlider(QPainter&) { cachedVolume = GetWaveVolume(); }

void MainWindow::OnPaint(QPainter& dc, const QRect& paintRect) {
    if (compositionImage.isNull()) return;
    QPainter c(&compositionImage);
    c.drawImage(paintRect, backgroundImage, paintRect);
    for (int i = 0; i < buttonCount; ++i) DrawButton(c, i);
    DrawTrackNumber(c);
    DrawTime(c);
    DrawSeekBar(c);
    DrawTitle(c);
    DrawPlayState(c);
    DrawStreamInfo(c);
    c.end();
    dc.drawImage(paintRect, compositionImage, paintRect);
}

void MainWindow::InvalidateDisplayPanel() { update(); }
void MainWindow::InvalidateTrackNumber() { update(); }
void MainWindow::InvalidateFormatInfo() { update(); }
void MainWindow::InvalidatePlayOptions() { update(); }
void MainWindow::InvalidatePlayState() { update(); }
void MainWindow::InvalidateTitle() { update(); }
void MainWindow::InvalidatePeakMeter() { update(); }
void MainWindow::InvalidateStreamInfo() { update(); }
void MainWindow::InvalidateVolumeSlider() { update(); }

void MainWindow::UpdateTime() {
    if (GetDisplaySeconds() != lastSeconds || engine->GetPosition() != lastPosition) update();
}

void MainWindow::OnLButtonDown(int x, int y) {
    for (int i = 0; i < buttonCount; ++i) {
        if (ButtonRect(*this, i).contains(x, y)) {
            buttonPressed = 1;
            pressedIndex = i;
            update();
            return;
        }
    }
    QPoint p(x, y);
    if (x < ScaleX(5) || y < ScaleY(5) || x > ScaleX(5) + displayWidth || y > ScaleY(5) + displayHeight) ShowMenu(&p);
}

void MainWindow::OnMouseMove(int, int, int) {}

void MainWindow::OnLButtonUp(int x, int y) {
    if (buttonPressed && pressedIndex >= 0 && ButtonRect(*this, pressedIndex).contains(x, y))
        PostCommand(this, kButtonCommands[pressedIndex]);
    buttonPressed = 0;
    pressedIndex = -1;
    update();
}

}  // namespace vl
