#include "settings/qt/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <cwchar>

#include "engine/player_engine.h"
#include "ui/qt/app_icon.h"
#include "ui/string_table.h"

namespace vl {

namespace {
constexpr int kRefreshMs = 500;

int Percent(uint32_t used, uint32_t total) {
    return total == 0 ? 0 : static_cast<int>(static_cast<uint64_t>(used) * 100 / total);
}
}  // namespace

QString BufferInfoText(PlayerEngine& engine) {
    uint32_t audioTotal = 0, audioUsed = 0, streamTotal = 0, streamUsed = 0;
    engine.GetBufferInfo(audioTotal, audioUsed, streamTotal, streamUsed);
    wchar_t text[512];
    std::swprintf(text, 512, GetString(20), static_cast<int>(streamUsed / 1024), static_cast<int>(streamTotal / 1024),
                  Percent(streamUsed, streamTotal), static_cast<int>(audioUsed / 1024),
                  static_cast<int>(audioTotal / 1024), Percent(audioUsed, audioTotal));
    return QString::fromWCharArray(text);
}

AboutBox::AboutBox(PlayerEngine& engine, QWidget* owner)
    : DeviceDialog(110, QStringLiteral("Versolune V" VERSOLUNE_VERSION), kDoneOnly, owner), engine_(engine) {
    setWindowTitle(QStringLiteral("About"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(DialogPixels(32), DialogPixels(32)));
    auto* row = new QHBoxLayout();
    row->addWidget(icon);
    row->addStretch();
    Body()->addLayout(row);
    buffers_ = new QLabel(BufferInfoText(engine_), this);
    buffers_->setObjectName(ControlId(1079));
    buffers_->setTextFormat(Qt::PlainText);
    Body()->addWidget(buffers_);
    Body()->addStretch();
    timer_ = startTimer(kRefreshMs);
}

void AboutBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_) buffers_->setText(BufferInfoText(engine_));
}

void ShowAbout(QWidget* owner, PlayerEngine& engine) {
    AboutBox box(engine, owner);
    box.exec();
}

}  // namespace vl
