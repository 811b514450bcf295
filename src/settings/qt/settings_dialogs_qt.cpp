#include "settings/qt/settings_dialogs_qt.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cwchar>
#include <string>

#include "platform/screen_profile.h"

namespace vl {

namespace {
constexpr int kMinutesMax = 999;
constexpr int kMinutesMin = 1;

QString Id(int id) { return QString::number(id); }
}  // namespace

void InitFullScreenDialog(QDialog& dialog, QWidget* owner) {
    const ScreenProfile& screen = GetScreenProfile();
    dialog.setFixedSize(screen.width, screen.height);
    if (owner) dialog.move(owner->window()->geometry().topLeft());
}

QLabel* AddDialogTitle(QDialog& dialog, const QString& text) {
    auto* title = new QLabel(text, &dialog);
    title->setObjectName(Id(1029));
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    title->setPalette(palette);
    if (auto* layout = qobject_cast<QBoxLayout*>(dialog.layout())) {
        layout->addWidget(title);
        // The line under the title belongs to the small portrait screen only.
        const ScreenProfile& screen = GetScreenProfile();
        if (screen.width == 240 && screen.height == 320) {
            auto* line = new QFrame(&dialog);
            line->setObjectName(QStringLiteral("TitleSeparator"));
            line->setFrameShape(QFrame::HLine);
            layout->addWidget(line);
        }
    }
    return title;
}

SleepTimerDialog::SleepTimerDialog(PlayerSettings& settings, QWidget* owner)
    : QDialog(owner), settings_(settings) {
    setObjectName(Id(155));
    setWindowTitle(QStringLiteral("Sleep timer"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    AddDialogTitle(*this, QStringLiteral("Sleep timer"));

    sleepTimer_ = new QCheckBox(QStringLiteral("Sleep timer"), this);
    sleepTimer_->setObjectName(Id(1047));
    layout->addWidget(sleepTimer_);

    auto* row = new QHBoxLayout();
    minutes_ = new QLineEdit(this);
    minutes_->setObjectName(Id(1076));
    minutes_->setMaxLength(3);
    minutes_->setText(QString::number(settings_.sleepMinutes));
    row->addWidget(minutes_);
    spin_ = new QWidget(this);
    spin_->setObjectName(Id(1078));
    auto* spinLayout = new QVBoxLayout(spin_);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (int direction : {1, -1}) {
        auto* button = new QToolButton(spin_);
        button->setObjectName(direction > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        button->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        connect(button, &QToolButton::clicked, this, [this, direction] { StepMinutes(direction); });
        spinLayout->addWidget(button);
    }
    row->addWidget(spin_);
    row->addStretch();
    layout->addLayout(row);

    powerOff_ = new QCheckBox(QStringLiteral("Power off"), this);
    powerOff_->setObjectName(Id(1027));
    powerOff_->setChecked(settings_.sleepPowerOff != 0);
    layout->addWidget(powerOff_);
    layout->addStretch();

    auto* buttons = new QHBoxLayout();
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(Id(1));
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(Id(2));
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &SleepTimerDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SleepTimerDialog::reject);
    connect(sleepTimer_, &QCheckBox::clicked, this, &SleepTimerDialog::OnSleepTimerClicked);

    // A running timer is locked until "Sleep timer" is clicked.
    bool running = settings_.sleepElapsed != -1;
    sleepTimer_->setChecked(running);
    EnableEditing(!running);
    InitFullScreenDialog(*this, owner);
}

void SleepTimerDialog::EnableEditing(bool enable) {
    minutes_->setEnabled(enable);
    spin_->setEnabled(enable);
    powerOff_->setEnabled(enable);
    ok_->setEnabled(enable);
}

void SleepTimerDialog::OnSleepTimerClicked() {
    if (!minutes_->isEnabled()) EnableEditing(true);
}

void SleepTimerDialog::StepMinutes(int direction) {
    std::wstring text = minutes_->text().toStdWString();
    long value = std::wcstol(text.c_str(), nullptr, 10);
    if (direction > 0) value = value >= kMinutesMax - 1 ? kMinutesMax : value + 1;
    else value = value - 1 < kMinutesMin ? kMinutesMin : value - 1;
    minutes_->setText(QString::number(value));
}

void SleepTimerDialog::accept() {
    // Return in the edit reaches here too; a locked dialog only closes with Cancel.
    if (!minutes_->isEnabled()) return;
    std::wstring text = minutes_->text().toStdWString();
    long minutes = std::wcstol(text.c_str(), nullptr, 10);
    // No time, or a negative one that would end playback at the next tick, is refused.
    if (minutes < kMinutesMin) {
        minutes_->setFocus();
        return;
    }
    settings_.sleepMinutes = static_cast<int32_t>(minutes);
    settings_.sleepElapsed = sleepTimer_->isChecked() ? 0 : -1;
    settings_.sleepPowerOff = powerOff_->isChecked() ? 1 : 0;
    QDialog::accept();
}

void SettingsDialogsQt::ShowOptions(PlayerSettings&, void*, PlayerEngine*) {}

bool SettingsDialogsQt::ShowSleepTimer(PlayerSettings& settings, void* owner) {
    SleepTimerDialog dialog(settings, static_cast<QWidget*>(owner));
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace vl
