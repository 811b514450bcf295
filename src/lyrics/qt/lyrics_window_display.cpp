// The lyrics in time: the two panes in the three sentence modes (the words of enhanced lines
// lit as they are sung), the position check of every tick and of every due line or word, the
// smooth glide of the scroll mode, and the A-B range ("Mark") at the seek bar.
#include <QPainter>
#include <QTextCharFormat>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/player_engine.h"
#include "lyrics/qt/lyrics_pane.h"
#include "lyrics/qt/lyrics_window.h"
#include "platform/clock.h"
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

// Whether a word time has been reached at position p, the comparison the line timer makes.
bool Started(const LyricWord& word, double p) { return !(p < word.time); }

int StartedWords(const LyricLine* line, double p) {
    if (!line) return 0;
    return static_cast<int>(std::count_if(line->words.begin(), line->words.end(),
                                          [p](const LyricWord& w) { return Started(w, p); }));
}

// A line with word times: the words reached at p (and the untimed text before the first word,
// sung with the line) in sung, the rest in rest; wrapped and placed as DrawWrapped places it.
void DrawSung(QPainter& dc, const LyricLine& line, double p, int y, int width, int height, const QColor& sung,
              const QColor& rest) {
    const QString text = QString::fromStdWString(line.text);
    // Spans count wide characters; the layout counts UTF-16 units.
    auto unit = [&line](size_t i) {
        return static_cast<int>(QString::fromStdWString(line.text.substr(0, std::min(i, line.text.size()))).size());
    };
    QTextCharFormat sungFormat, restFormat;
    sungFormat.setForeground(sung);
    restFormat.setForeground(rest);
    QList<QTextLayout::FormatRange> formats;
    formats.append({0, unit(line.words.front().start), sungFormat});
    for (const LyricWord& w : line.words) {
        const int start = unit(w.start);
        formats.append({start, unit(w.start + w.length) - start, Started(w, p) ? sungFormat : restFormat});
    }
    QTextLayout layout(text, dc.font(), dc.device());
    layout.setTextOption(WrapOption());
    layout.setFormats(formats);
    // Lines as the painter's own wrapped drawText stacks them: leading, then whole pixels.
    const qreal leading = QFontMetricsF(dc.font(), dc.device()).leading();
    qreal h = 0;
    layout.beginLayout();
    for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
        l.setLineWidth(width);
        h = std::ceil(h + leading);
        l.setPosition(QPointF(0, h));
        h += l.height();
    }
    layout.endLayout();
    dc.save();
    dc.setClipRect(QRectF(0, y, width, height), Qt::IntersectClip);
    dc.setPen(rest);
    layout.draw(&dc, QPointF(0, y));
    dc.restore();
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
    if (lyrics.IsUnsynced()) {
        // Lyrics without times: from the top, nothing lit, nothing followed.
        for (int i = 0, y = 0; pane == 0 && i < lyrics.GetLineCount() && y < height; ++i) {
            const QString line = QString::fromStdWString(lyrics.GetLine(i).text);
            DrawWrapped(dc, line, y, width, height - y, text);
            y += TextHeight(dc, line, width);
        }
        return;
    }
    const int mode = GetLyricsSettings()->sentenceMode;
    QString current;
    const bool haveCurrent = textOf(kLyricCurrentSlot, current);
    // The current line: an enhanced line of the lyrics pane word by word, else in one colour.
    auto drawCurrent = [&](int y, const QColor& color) {
        const LyricLine* line = lyrics.GetVisibleLine(kLyricCurrentSlot).line;
        if (pane == 0 && !line->words.empty())
            DrawSung(dc, *line, lyricsLastPosition, y, width, height - y, highlight, text);
        else if (!current.isEmpty())
            DrawWrapped(dc, current, y, width, height - y, color);
    };
    if (mode == 0) {
        if (haveCurrent) drawCurrent(0, text);
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
        drawCurrent(0, highlight);
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
    drawCurrent(y, highlight);
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
        const LyricLine* line = lyrics.GetVisibleLine(kLyricCurrentSlot).line;
        const int started = StartedWords(line, p);
        if (line != wordsLine || started != wordsStarted) {
            wordsLine = line;
            wordsStarted = started;
            if (line && !line->words.empty()) InvalidatePanes();
        }
        ReportLyricLine(ms);
        if (markA != -1 && markB != -1) {
            const int a = WholeSeconds(markA), b = WholeSeconds(markB);
            if (p > b || p < a) SeekTo(markA);
        }
        lyricsLastPosition = p;
    }
    AimLineTimer();
    MainWindow::UpdateTime();
}

void LyricsWindow::SeekTo(int ms) {
    MainWindow::SeekTo(ms);
    NotePosition(engine->GetPosition());
}

void LyricsWindow::AimLineTimer() {
    LineTimer::Due due;
    if (GetLyricsSettings()->showMode != 0 && lyrics.IsLoaded()) due = lineTimer.NextDue(lyrics, GetTickCount());
    if (due.Any()) lineDueTimer.start(due.delayMs);
    else lineDueTimer.stop();
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
    lineTimer.Anchor(ms, GetTickCount(), engine->GetState() == kPlaying);
    AimLineTimer();
    StartSmoothScroll();
}

double LyricsWindow::DisplayPosition() const {
    if (!frameTimer.isActive() || !lineTimer.IsPlaying()) return lyricsLastPosition;
    return std::min(lineTimer.PositionAt(GetTickCount()), static_cast<double>(positionMs) + kMaxGlideMs) * 0.001;
}

void LyricsWindow::StartSmoothScroll() {
    const LyricsSettings* s = GetLyricsSettings();
    const bool glide = s && s->sentenceMode == 1 && s->showMode != 0 && lineTimer.IsPlaying() && displayOn &&
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
