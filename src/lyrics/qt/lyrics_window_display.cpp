// The lyrics in time: the two panes in the three sentence modes, the position check of every
// tick, the smooth glide of the scroll mode, and the A-B range ("Mark") at the seek bar.
#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <cstdint>

#include "engine/player_engine.h"
#include "lyrics/qt/lyrics_pane.h"
#include "lyrics/qt/lyrics_window.h"
#include "platform/screen_profile.h"
#include "ui/string_table.h"
#include "ui/qt/skin_info.h"

namespace vl {

namespace {

constexpr int kNoLyricsPlaying = 40100;
constexpr int kNoLyricsWelcome = 40110;
// The smooth glide runs ahead of the last engine reading by at most this much, so a stalled
// engine (a stream that buffers) never lets the lines run away.
constexpr int kMaxGlideMs = 1000;

QTextOption WrapOption() {
    // Words wrap; a word wider than the pane breaks anywhere instead of being clipped.
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// The height a text takes when wrapped to width.
int TextHeight(QPainter& dc, const QString& text, int width) {
    return static_cast<int>(dc.boundingRect(QRectF(0, 0, width, 0), text, WrapOption()).height() + 0.999);
}

void DrawWrapped(QPainter& dc, const QString& text, int y, int width, int height, const QColor& color) {
    dc.setPen(color);
    dc.drawText(QRectF(0, y, width, height), text, WrapOption());
}

}  // namespace

void LyricsWindow::CreateLyricsPanes() {
    lyricsPane = new LyricsPane(this, 0);
    comparisonPane = new LyricsPane(this, 1);
    const ContentArea a = GetContentArea();
    lyricsPane->setGeometry(a.left, a.top, a.width, a.height / 2 - 1);
    comparisonPane->setGeometry(a.left, a.top + a.height / 2 + 1, a.width, a.height / 2 - 1);
}

void LyricsWindow::DrawLyricsPane(int pane, QPainter& dc, const QSize& size) {
    const int width = size.width();
    const QColor back = ColorFromRef(skin ? skin->GetColor(kDispColor) : 0);
    const QColor text = ColorFromRef(skin ? skin->GetColor(kTitleColor) : 0);
    const QColor highlight =
        ColorFromRef(skin ? static_cast<PocketSkinInfo*>(skin.get())->GetPocketColor(kLyricsHighLightColor) : 0);
    dc.fillRect(QRect(QPoint(0, 0), size), back);
    dc.setFont(textFont);
    const int height = std::max(paneHeight, size.height());
    if (!lyrics.IsLoaded()) {
        const int id = engine->GetState() == kPlaying ? kNoLyricsPlaying : kNoLyricsWelcome;
        DrawWrapped(dc, QString::fromWCharArray(GetString(id)), 0, width, height, text);
        return;
    }
    // The pane's text of a slot; null for an empty slot or a line without a second text.
    auto textOf = [&](int slot, QString& out) {
        const LyricLine* line = lyrics.GetVisibleLine(slot).line;
        if (!line) return false;
        if (pane == 0) out = QString::fromStdWString(line->text);
        else if (line->secondText) out = QString::fromStdWString(*line->secondText);
        else out.clear();
        return true;
    };
    const int mode = GetLyricsSettings()->sentenceMode;
    QString current;
    const bool haveCurrent = textOf(kLyricCurrentSlot, current);
    if (mode == 0) {
        if (haveCurrent && !current.isEmpty()) DrawWrapped(dc, current, 0, width, height, text);
        return;
    }
    // Later lines from y down, until the pane is full.
    auto drawLater = [&](int y) {
        for (int slot = kLyricCurrentSlot + 1; slot < kLyricWindowSlots; ++slot) {
            QString line;
            if (!textOf(slot, line) || y >= paneHeight) break;
            const int h = TextHeight(dc, line, width);
            DrawWrapped(dc, line, y, width, height - y, text);
            y += h;
            if (y > paneHeight) break;
        }
    };
    if (!haveCurrent) return;
    if (mode == 2) {
        const int h = TextHeight(dc, current, width);
        DrawWrapped(dc, current, 0, width, height, highlight);
        drawLater(h);
        return;
    }
    // Scroll Sentence: the current line glides up by its own height between its tag and the
    // next one, so at the tag it sits at scrollBase.
    const VisibleLine& now = lyrics.GetVisibleLine(kLyricCurrentSlot);
    const VisibleLine& next = lyrics.GetVisibleLine(kLyricCurrentSlot + 1);
    const double d = now.time - next.time;
    int y = scrollBase;
    // The current line's height in the lyrics pane decides the glide of both panes.
    const int h = TextHeight(dc, QString::fromStdWString(now.line->text), width);
    if (d != 0 && next.line) {
        double position = DisplayPosition();
        // Between two checks the glide stops at the next tag; the check there moves the line.
        if (position > next.time) position = next.time;
        y = static_cast<int>(scrollBase + (position - now.time) * h / d);
    }
    y = std::min(y, scrollBase);
    int top = y;
    for (int slot = kLyricCurrentSlot - 1; slot >= 0; --slot) {
        QString line;
        if (!textOf(slot, line)) break;
        const int lh = TextHeight(dc, line, width);
        top -= lh;
        DrawWrapped(dc, line, top, width, height - top, text);
        if (top < 0) break;
    }
    const int currentHeight = pane == 0 ? h : TextHeight(dc, current, width);
    if (!current.isEmpty()) DrawWrapped(dc, current, y, width, height - y, highlight);
    drawLater(y + currentHeight);
}

// ---------------------------------------------------------------- position check

void LyricsWindow::UpdateTime() {
    const int ms = engine->GetPosition();
    const double p = ms * 0.001;
    const int state = engine->GetState();
    NotePosition(ms);
    LyricsSettings* s = GetLyricsSettings();
    if (p != lyricsLastPosition && state != kStopped && s->showMode != 0) {
        const double delta = p - lyricsLastPosition;
        const bool incremental = delta > 0 && delta <= 1.0;
        if (lyrics.Locate(p, incremental, s->sentenceMode != 0)) InvalidatePanes();
        ReportLyricLine(ms);
        if (markA != -1 && markB != -1) {
            const int a = WholeSeconds(markA), b = WholeSeconds(markB);
            if (p > b || p < a) SeekTo(markA);
        }
        lyricsLastPosition = p;
    }
    MainWindow::UpdateTime();
}

void LyricsWindow::InvalidatePanes() {
    const int mode = GetLyricsSettings()->showMode;
    if (lyricsPane) lyricsPane->update();
    if (comparisonPane && (mode == 1 || mode == 3 || mode == 4)) comparisonPane->update();
}

void LyricsWindow::ReportLyricLine(int positionMs) {
    if (!onLyricLine) return;
    const VisibleLine& current = lyrics.GetVisibleLine(kLyricCurrentSlot);
    if (reported.Changed(current)) onLyricLine(positionMs, current);
}

// ---------------------------------------------------------------- smooth scroll

void LyricsWindow::NotePosition(int ms) {
    positionMs = ms;
    positionClock.restart();
    positionMoving = engine->GetState() == kPlaying;
    StartSmoothScroll();
}

double LyricsWindow::DisplayPosition() const {
    if (!frameTimer.isActive() || !positionMoving || !positionClock.isValid()) return lyricsLastPosition;
    const qint64 glide = std::min<qint64>(positionClock.elapsed(), kMaxGlideMs);
    return (positionMs + glide) * 0.001;
}

void LyricsWindow::StartSmoothScroll() {
    const LyricsSettings* s = GetLyricsSettings();
    const bool glide = s && s->sentenceMode == 1 && s->showMode != 0 && positionMoving && displayOn &&
                       lyrics.IsLoaded() && isVisible() && !isMinimized() && lyricsPane && lyricsPane->isVisible() &&
                       engine->GetState() == kPlaying;
    if (!glide) {
        if (frameTimer.isActive()) {
            frameTimer.stop();
            InvalidatePanes();
        }
        return;
    }
    if (!frameTimer.isActive()) frameTimer.start();
    InvalidatePanes();
}

// ---------------------------------------------------------------- A-B range

QRect LyricsWindow::MarkRect(int ms) {
    const int duration = engine->GetDuration();
    int x = ScaleX(5) + ScaleX(1);
    if (duration != 0)
        x += static_cast<int>(std::min<int64_t>(int64_t(ms) * seekWidth / duration, seekWidth)) - (3 * dpiY + 48) / 192;
    const int top = 3 * ScaleY(5) + ScaleY(20) + ScaleY(15) + ScaleY(3);
    const int bottom = top + ScaleX(3);
    return QRect(x, top, ScaleY(3), bottom - top);
}

void LyricsWindow::InvalidateMarks() {
    if (!markARect.isEmpty()) update(markARect);
    if (!markBRect.isEmpty()) update(markBRect);
}

void LyricsWindow::CmdMark() {
    if (markA != -1 && markB != -1) {
        InvalidateMarks();
        markA = markB = -1;
        return;
    }
    const int state = engine->GetState();
    if (state == kPaused || state == kStarting) return;
    const int pos = engine->GetPosition();
    // A stream has no length, so no range can be held on it.
    if (engine->GetDuration() == 0) return;
    if (markA == -1) {
        markA = pos;
        markARect = MarkRect(markA);
        InvalidateMarks();
        return;
    }
    if (std::abs(WholeSeconds(pos) - WholeSeconds(markA)) < 3) return;
    if (markA >= pos) {
        markB = markA;
        markA = pos;
    } else {
        markB = pos;
    }
    // Both marks move to their times (the start mark too, after the two were swapped).
    InvalidateMarks();
    markARect = MarkRect(markA);
    markBRect = MarkRect(markB);
    InvalidateMarks();
    SeekTo(markA);
}

void LyricsWindow::DrawMarks(QPainter& dc, const QRect& paintRect) {
    const ImageList* images = skin ? skin->GetImageList(kSkinMark) : nullptr;
    if (!images) return;
    if (markA != -1 && markARect.intersects(paintRect)) images->Draw(dc, 0, markARect.left(), markARect.top());
    if (markB != -1 && markBRect.intersects(paintRect)) images->Draw(dc, 0, markBRect.left(), markBRect.top());
}

bool LyricsWindow::Play(int index) {
    InvalidateMarks();
    markA = markB = -1;
    return MainWindow::Play(index);
}

}  // namespace vl
