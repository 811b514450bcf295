// The main window's skinned face: the background drawn once per skin, an off-screen
// composition image redrawn region by region, the marquee lines, and the stylus on the
// buttons, time, peak meter, seek bar and volume slider.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cwchar>

#include "engine/player_engine.h"
#include "platform/screen_profile.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"
#include "ui/qt/skin_info.h"
#include "ui/qt/window_message.h"
#include "ui/string_table.h"

namespace vl {

namespace {

int SX(int n) { return ScaleX(n); }
int SY(int n) { return ScaleY(n); }

const int kButtonCommands[8] = {IDM_OPEN_FILE, IDM_PLAY_PAUSE, IDM_STOP, IDM_PREVIOUS,
                                IDM_REWIND,    IDM_FORWARD,    IDM_NEXT, IDM_SHOW_MENU};
constexpr int kStringFormatInfo = 14;
constexpr int kStringVolume = 15;
// DrawTextW 0x828: one line, bottom-aligned, no prefix characters.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine;

// Region rectangles of the base layout.
QRect DisplayRect(const MainWindow& w) { return QRect(SX(5), SY(5), w.displayWidth, w.displayHeight); }
QRect TrackNumberRect() { return QRect(2 * SX(5), 2 * SY(5), SX(20), SY(15)); }
QRect TimeRect() { return QRect(SX(30) + SX(5), 2 * SY(5), SX(45), SY(15)); }
QRect PlayOptionsRect() { return QRect(SX(30) + SX(48) + SX(5), 2 * SY(5), SX(10), SY(15)); }
QRect PeakRect() { return QRect(SX(96) + SX(5), 2 * SY(5), SX(120), SY(5)); }
QRect FormatInfoRect() { return QRect(SX(96) + SX(5), SY(5) + SY(12), SX(120), SY(9)); }
int TitleLeft() { return SX(10) + SX(9) + SX(5); }
QRect TitleRect(const MainWindow& w) { return QRect(TitleLeft(), w.titleTop, w.titleWidth, w.titleHeight); }
QRect PlayStateRect(const MainWindow& w) { return QRect(SX(5) + SY(5), w.statusTop, SX(9), w.statusHeight); }
QRect StreamRect(const MainWindow& w) { return QRect(TitleLeft(), w.streamTop, w.streamWidth, w.streamHeight); }
int SeekLeft() { return SX(5) + SX(1); }
QRect SeekRect(const MainWindow& w) {
    return QRect(SeekLeft(), w.seekTop, w.seekWidth, ((GetScreenProfile().dpiY + 12) * 4) / 96);
}
QRect ButtonRect(const MainWindow& w, int i) { return QRect(SX(5) + i * SX(25), w.buttonTop, SX(25), SY(20)); }
QRect VolumeRect(const MainWindow& w) { return QRect(w.volumeLeft, w.volumeTop, w.volumeWidth, w.volumeHeight); }

QColor ColorOf(const SkinInfo* skin, int index) { return ColorFromRef(skin ? skin->GetColor(index) : 0); }

const ImageList* Images(const SkinInfo* skin, int index) { return skin ? skin->GetImageList(index) : nullptr; }

void DrawCell(QPainter& dc, const SkinInfo* skin, int list, int cell, int x, int y) {
    if (const ImageList* images = Images(skin, list)) images->Draw(dc, cell, x, y);
}

// DrawEdge with a sunken inner border on all four sides.
void DrawSunkenEdge(QPainter& dc, const QRect& r) {
    dc.fillRect(r.left(), r.top(), r.width(), 1, QColor(64, 64, 64));
    dc.fillRect(r.left(), r.top(), 1, r.height(), QColor(64, 64, 64));
    dc.fillRect(r.left(), r.bottom(), r.width(), 1, QColor(224, 224, 224));
    dc.fillRect(r.right(), r.top(), 1, r.height(), QColor(224, 224, 224));
}

void DrawLineText(QPainter& dc, const QFont& font, const QRect& r, const QColor& color, const QString& text) {
    dc.save();
    dc.setClipRect(r, Qt::IntersectClip);
    dc.setFont(font);
    dc.setPen(color);
    dc.drawText(r, kTextFlags, text);
    dc.restore();
}

// A line of text wider than its rectangle scrolls left (timer `timerId` moves `offset`),
// followed by a gap of S(25) before it starts again.
void DrawMarquee(MainWindow& w, QPainter& dc, const QRect& r, const QString& text, int& extent, int& offset,
                 int& ticks, int timerId) {
    const int gap = SX(25);
    const int width = QFontMetrics(w.textFont).horizontalAdvance(text);
    if (width != extent - gap) {
        w.KillTimer(timerId);
        offset = 0;
        ticks = 0;
        extent = width + gap;
        if (extent - gap > r.width()) w.SetTimer(timerId, 500);
    }
    while (extent > 0 && offset >= extent) offset -= extent;
    const QColor color = ColorOf(w.skin.get(), kTitleColor);
    const bool scroll = w.settings && w.settings->scrollTitle;
    if (scroll && offset != 0 && extent - gap >= r.width()) {
        QRect first(r.left() - offset, r.top(), extent, r.height());
        dc.save();
        dc.setClipRect(r, Qt::IntersectClip);
        DrawLineText(dc, w.textFont, first, color, text);
        if (extent - offset < r.width()) DrawLineText(dc, w.textFont, first.translated(extent, 0), color, text);
        dc.restore();
    } else {
        DrawLineText(dc, w.textFont, r, color, text);
    }
}

int VolumeLevel(uint32_t volume) {
    return static_cast<int>(std::max(volume & 0xFFFF, volume >> 16) * 100 / 65535);
}

// The font cell height of (11 x LOGPIXELSY + 48) / 96 pixels, as a GDI font of that height.
QFont MakeTextFont() {
    const int cell = (11 * GetScreenProfile().dpiY + 48) / 96;
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    int size = cell;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > cell) font.setPixelSize(--size);
    return font;
}

bool AltHeld() { return QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier; }

void Repaint(MainWindow& w, const QRect& r) {
    if (r.isEmpty()) return;
    if (w.isVisible()) w.repaint(r);
    else w.update(r);
}

}  // namespace

// ---------------------------------------------------------------- skin and drawing resources

SkinInfo* MainWindow::CreateSkin() { return new SkinInfo(GetScreenProfile().dpiX, GetScreenProfile().dpiY); }

void MainWindow::DeleteSkin() {
    skin.reset();
}

bool MainWindow::LoadSkin() {
    if (skin) skin->Load(settings ? std::wstring(settings->skinFile) : std::wstring());
    compositionImage = QImage(clientWidth, clientHeight, QImage::Format_RGB32);
    backgroundImage = QImage(clientWidth, clientHeight, QImage::Format_RGB32);
    backgroundImage.fill(Qt::black);
    {
        QPainter dc(&backgroundImage);
        DrawBackground(dc);
    }
    textFont = MakeTextFont();
    titleExtent = titleOffset = 0;
    streamExtent = streamOffset = 0;
    buttonCount = Images(skin.get(), kSkinButton) ? 8 : 7;
    if (Images(skin.get(), kSkinVolumeSlider) && Images(skin.get(), kSkinVolumeTrack)) {
        volumeLeft = 7 * SX(25) + SX(5) + SX(2);
        volumeTop = SY(57);
        volumeWidth = SX(51);
        volumeHeight = SY(20);
    } else {
        volumeLeft = volumeTop = volumeWidth = volumeHeight = 0;
    }
    return true;
}

void MainWindow::UnloadSkin() {
    if (skin) skin->Unload();
    backgroundImage = QImage();
    compositionImage = QImage();
    textFont = QFont();
}

// ---------------------------------------------------------------- painting

void MainWindow::OnPaint(QPainter& dc, const QRect& paintRect) {
    if (compositionImage.isNull()) return;
    QPainter c(&compositionImage);
    c.setClipRect(paintRect);
    c.setCompositionMode(QPainter::CompositionMode_Source);
    c.drawImage(paintRect, backgroundImage, paintRect);
    c.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (int i = 0; i < buttonCount; ++i)
        if (ButtonRect(*this, i).intersects(paintRect)) DrawButton(c, i);
    if (TrackNumberRect().intersects(paintRect)) DrawTrackNumber(c);
    if (TimeRect().intersects(paintRect)) DrawTime(c);
    if (SeekRect(*this).intersects(paintRect)) DrawSeekBar(c);
    if (FormatInfoRect().intersects(paintRect)) DrawFormatInfo(c);
    if (PlayOptionsRect().intersects(paintRect)) DrawPlayOptions(c);
    if (TitleRect(*this).intersects(paintRect)) DrawTitle(c);
    if (PlayStateRect(*this).intersects(paintRect)) DrawPlayState(c);
    if (PeakRect().intersects(paintRect)) DrawPeakMeter(c);
    if (StreamRect(*this).intersects(paintRect)) DrawStreamInfo(c);
    if (VolumeRect(*this).intersects(paintRect)) DrawVolumeSlider(c);
    c.end();
    dc.drawImage(paintRect, compositionImage, paintRect);
}

void MainWindow::DrawBackground(QPainter& dc) {
    const QImage* background = skin ? skin->GetBackground() : nullptr;
    if (background) {
        // A background made for 96 dpi grows with the layout on a denser screen.
        QSize scaled(SX(background->width()), SY(background->height()));
        if (background->width() < clientWidth && background->height() < clientHeight)
            dc.drawImage(QRect(QPoint(0, 0), scaled), *background);
        else
            dc.drawImage(0, 0, *background);
    } else {
        dc.fillRect(0, 0, clientWidth, clientHeight, QColor(192, 192, 192));
    }
    if (skin && skin->GetDisplayFlag()) DrawDisplayPanel(dc);
}

void MainWindow::DrawDisplayPanel(QPainter& dc) {
    const QRect r = DisplayRect(*this);
    dc.fillRect(r, ColorOf(skin.get(), kDispColor));
    DrawSunkenEdge(dc, r);
}

void MainWindow::DrawButton(QPainter& dc, int i) {
    if (i < 0 || i >= buttonCount) return;
    const QRect r = ButtonRect(*this, i);
    const bool pressed = buttonPressed && pressedIndex == i;
    if (const ImageList* normal = Images(skin.get(), kSkinButtonNormal)) {
        const ImageList* push = Images(skin.get(), kSkinButtonPush);
        (pressed && push ? push : normal)->Draw(dc, i, r.left(), r.top());
        return;
    }
    const ImageList* old = Images(skin.get(), kSkinButton);
    if (!old) return;
    // Centred with the cell's own size, which grows with the resolution.
    int x = r.left() + (r.width() - old->CellWidth()) / 2;
    int y = r.top() + (r.height() - old->CellHeight()) / 2;
    if (pressed) {
        DrawSunkenEdge(dc, r);
        ++x;
        ++y;
    }
    old->Draw(dc, i, x, y);
}

void MainWindow::DrawTrackNumber(QPainter& dc) {
    const int n = (GetCurrentIndex() + 1) % 100;
    DrawCell(dc, skin.get(), kSkinNumber, n / 10, 2 * SX(5), 2 * SY(5));
    DrawCell(dc, skin.get(), kSkinNumber, n % 10, SX(10) + 2 * SX(5), 2 * SY(5));
}

int MainWindow::GetDisplaySeconds() {
    int s;
    PlaylistEntry* entry = GetEntry(GetCurrentIndex());
    if (engine->GetState() == kStopped) {
        s = engine->GetDuration() / 1000;
    } else if ((entry && IsUrl(entry->path)) || !settings || !settings->timeReverse) {
        s = engine->GetPosition() / 1000;
    } else {
        s = (engine->GetDuration() - engine->GetPosition()) / 1000;
        if (s < 1) s = 0;
    }
    if (s > 5999) s %= 6000;
    return s < 0 ? 0 : s;
}

void MainWindow::DrawTime(QPainter& dc) {
    const int s = lastSeconds = GetDisplaySeconds();
    const int y = 2 * SY(5);
    const int cells[5] = {s / 600, s / 60 - 10 * (s / 600), 10, (s % 60) / 10, s % 10};
    const int xs[5] = {SX(30) + SX(5), SX(30) + SX(10) + SX(5), SX(30) + SX(20) + SX(5), SX(30) + SX(5) + SX(24),
                       SX(34) + SX(30) + SX(5)};
    for (int i = 0; i < 5; ++i) DrawCell(dc, skin.get(), kSkinNumber, cells[i], xs[i], y);
}

void MainWindow::DrawSeekBar(QPainter& dc) {
    const int duration = engine->GetDuration();
    const int position = lastPosition = engine->GetPosition();
    if (duration == 0 || position == 0) return;
    // 64-bit: position x width overflows 32 bits for tracks longer than about 2.5 hours.
    const int64_t width = std::min<int64_t>(int64_t(position) * seekWidth / duration, seekWidth);
    if (width <= 0) return;
    QRect bar = SeekRect(*this);
    bar.setWidth(static_cast<int>(width));
    dc.fillRect(bar, ColorOf(skin.get(), kSeekColor));
}

void MainWindow::DrawFormatInfo(QPainter& dc) {
    PlaylistEntry* entry = GetEntry(GetCurrentIndex());
    if (!entry || entry->trackInfo.sampleRate == 0 || entry->trackInfo.channels == 0) return;
    wchar_t text[128];
    // In the wide printf family "%s" takes a narrow string.
    std::swprintf(text, 128, GetString(kStringFormatInfo), entry->trackInfo.bitrate,
                  entry->trackInfo.sampleRate / 1000, entry->trackInfo.channels == 1 ? "MONO" : "STEREO");
    DrawLineText(dc, textFont, FormatInfoRect(), ColorOf(skin.get(), kInfoColor), QString::fromWCharArray(text));
}

void MainWindow::DrawPlayOptions(QPainter& dc) {
    if (!settings) return;
    const QRect r = PlayOptionsRect();
    const ImageList* options = Images(skin.get(), kSkinPlayOption);
    if (!options) return;
    if (settings->repeat == 1) options->Draw(dc, 0, r.left(), r.top());
    else if (settings->repeat == 2) options->Draw(dc, options->GetImageCount() >= 3 ? 2 : 0, r.left(), r.top());
    if (settings->shuffle) options->Draw(dc, 1, r.left(), 2 * (SY(5) + 4));
}

void MainWindow::DrawPlayState(QPainter& dc) {
    const int state = engine->GetState();
    const int cell = state == 1 || state == 2 || state == 3 ? state : 0;
    DrawCell(dc, skin.get(), kSkinStatus, cell, SX(5) + SY(5), statusTop + statusHeight - SY(9) - 2);
}

void MainWindow::DrawTitle(QPainter& dc) {
    if (volumeDisplay) {
        DrawVolumeText(dc);
        return;
    }
    std::wstring title;
    GetEntryTitle(GetCurrentIndex(), title);
    DrawMarquee(*this, dc, TitleRect(*this), QString::fromStdWString(title), titleExtent, titleOffset, titleTicks, 5);
}

void MainWindow::DrawPeakMeter(QPainter& dc) {
    if (!settings || !settings->drawPeek) return;
    const int x = SX(96) + SX(5);
    const int y = 2 * SY(5);
    auto width = [](int level) { return std::min(level * SX(120) / 100, SX(120)); };
    if (width(peakLeft) > 0) dc.fillRect(x, y, width(peakLeft), 2, ColorOf(skin.get(), kPeekColorL));
    if (width(peakRight) > 0) dc.fillRect(x, y + 3, width(peakRight), 2, ColorOf(skin.get(), kPeekColorR));
}

void MainWindow::DrawStreamInfo(QPainter& dc) {
    std::wstring text;
    GetStreamStatus(text);
    DrawMarquee(*this, dc, StreamRect(*this), QString::fromStdWString(text), streamExtent, streamOffset, streamTicks,
                6);
}

void MainWindow::DrawVolumeText(QPainter& dc) {
    const int level = VolumeLevel(GetWaveVolume());
    wchar_t text[64];
    std::swprintf(text, 64, GetString(kStringVolume), level);
    const QRect r = TitleRect(*this);
    const QColor color = ColorOf(skin.get(), kTitleColor);
    DrawLineText(dc, textFont, r, color, QString::fromWCharArray(text));
    if (level > 0) {
        const int bottom = r.top() + r.height();
        const int textHeight = QFontMetrics(textFont).height();
        dc.fillRect(QRect(QPoint(SX(80) + SX(5) + SX(9) + SX(10), bottom - textHeight + 1),
                          QSize(level * SX(125) / 100, textHeight - 1)),
                    color);
    }
}

void MainWindow::DrawVolumeSlider(QPainter& dc) {
    const uint32_t volume = GetWaveVolume();
    if (volumeWidth > 0) {
        DrawCell(dc, skin.get(), kSkinVolumeSlider, 0, volumeLeft, volumeTop);
        const int level = VolumeLevel(volume);
        DrawCell(dc, skin.get(), kSkinVolumeTrack, 0,
                 volumeLeft + static_cast<int>((volumeWidth - volumeThumbWidth) * level * 0.01), volumeTop);
    }
    cachedVolume = volume;
}

// ---------------------------------------------------------------- invalidation

void MainWindow::InvalidateDisplayPanel() { Repaint(*this, DisplayRect(*this)); }
void MainWindow::InvalidateTrackNumber() { Repaint(*this, TrackNumberRect()); }
void MainWindow::InvalidateFormatInfo() { Repaint(*this, FormatInfoRect()); }
void MainWindow::InvalidatePlayOptions() { Repaint(*this, PlayOptionsRect()); }
void MainWindow::InvalidatePlayState() { Repaint(*this, PlayStateRect(*this)); }
void MainWindow::InvalidateTitle() { Repaint(*this, TitleRect(*this)); }
void MainWindow::InvalidatePeakMeter() { Repaint(*this, PeakRect()); }
void MainWindow::InvalidateVolumeSlider() { Repaint(*this, VolumeRect(*this)); }

void MainWindow::InvalidateStreamInfo() {
    PlaylistEntry* entry = GetEntry(GetCurrentIndex());
    if (entry && IsUrl(entry->path)) Repaint(*this, StreamRect(*this));
}

void MainWindow::UpdateTime() {
    QRegion dirty;
    if (GetDisplaySeconds() != lastSeconds) dirty += TimeRect();
    PlaylistEntry* entry = GetEntry(GetCurrentIndex());
    if (!(entry && IsUrl(entry->path)) && engine->GetPosition() != lastPosition) dirty += SeekRect(*this);
    if (dirty.isEmpty()) return;
    if (isVisible()) repaint(dirty);
    else update(dirty);
}

// ---------------------------------------------------------------- stylus

namespace {

// The wave volume for a pointer x on the volume slider, both channels alike.
void SetVolumeFromX(const MainWindow& w, int x) {
    double level = (x - w.volumeThumbWidth / 2 - w.volumeLeft) * 100.0 / (w.volumeWidth - w.volumeThumbWidth) * 655.35;
    level = std::clamp(level, 0.0, 65535.0);
    SetWaveVolume(static_cast<uint32_t>(level) * 0x10001u);
}

}  // namespace

void MainWindow::OnLButtonDown(int x, int y) {
    if (AltHeld()) return;
    QPoint point(x, y);
    const QRect peak = PeakRect();
    if (x >= SX(5) && y >= buttonTop && x < SX(5) + buttonCount * SX(25) && y < buttonTop + SY(20)) {
        buttonPressed = 1;
        pressedIndex = (x - SX(5)) / SX(25);
        Repaint(*this, ButtonRect(*this, pressedIndex));
    } else if (TimeRect().contains(point)) {
        if (settings) settings->timeReverse = !settings->timeReverse;
        UpdateTime();
    } else if (x >= peak.left() && x <= peak.right() && y >= 2 * SY(5) && y < 3 * SY(5)) {
        peakLeft = peakRight = 0;
        InvalidatePeakMeter();
        if (settings) {
            settings->drawPeek = !settings->drawPeek;
            engine->SetPeakMeter(settings->drawPeek != 0);
        }
    } else if (x >= SeekLeft() && x < SeekLeft() + seekWidth && y >= titleTop && y < SY(5) + displayHeight) {
        SeekTo(static_cast<int>((x - SeekLeft()) / static_cast<double>(seekWidth) * engine->GetDuration()));
    } else if (volumeWidth > 0 && VolumeRect(*this).contains(point)) {
        volumeDrag = 1;
        SetVolumeFromX(*this, x);
        ShowVolumeChange();
    } else if (x < SX(5) || x > SX(5) + SX(228) || y < SY(5) || y > SY(5) + SX(48)) {
        ShowMenu(&point);
    }
    pressX = x;
    pressY = y;
}

void MainWindow::OnMouseMove(int, int x, int y) {
    if (pressedIndex >= 0) {
        const QRect r = ButtonRect(*this, pressedIndex);
        const int inside = r.contains(x, y) ? 1 : 0;
        if (inside != buttonPressed) {
            buttonPressed = inside;
            Repaint(*this, r);
        }
    }
    if (volumeDrag) {
        SetVolumeFromX(*this, x);
        ShowVolumeChange();
    }
}

void MainWindow::OnLButtonUp(int x, int y) {
    if (pressedIndex >= 0) {
        // A release away from the button counts as outside even without a move before it.
        OnMouseMove(1, x, y);
        if (buttonPressed) {
            buttonPressed = 0;
            Repaint(*this, ButtonRect(*this, pressedIndex));
            PostCommand(this, kButtonCommands[pressedIndex]);
        }
    } else if (!volumeDrag && AltHeld()) {
        QPoint point(x, y);
        ShowMenu(&point);
    }
    buttonPressed = 0;
    volumeDrag = 0;
    pressedIndex = -1;
    pressX = pressY = -1;
}

}  // namespace vl
