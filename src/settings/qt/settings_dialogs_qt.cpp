#include "settings/qt/settings_dialogs_qt.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "settings/qt/open_url_dialog.h"
#include "settings/qt/option_pages.h"

namespace vl {

namespace {
constexpr int kMinutesMax = 999;
constexpr int kMinutesMin = 1;
}  // namespace

SleepTimerDialog::SleepTimerDialog(PlayerSettings& settings, QWidget* owner)
    : DeviceDialog(155, QStringLiteral("Sleep timer"), kDoneAndCancel, owner), settings_(settings) {
    QVBoxLayout* layout = Body();
    sleepTimer_ = new QCheckBox(QStringLiteral("Sleep timer"), this);
    sleepTimer_->setObjectName(ControlId(1047));
    layout->addWidget(sleepTimer_);

    auto* row = new QHBoxLayout();
    minutes_ = AddNumberEdit(*this, *row, 1076, 1078, 3, SpinRule{1, kMinutesMin, kMinutesMax});
    minutes_->setText(QString::number(settings_.sleepMinutes));
    spin_ = findChild<QWidget*>(ControlId(1078));
    row->addWidget(new QLabel(QStringLiteral("minutes"), this));
    row->addStretch();
    layout->addLayout(row);

    powerOff_ = new QCheckBox(QStringLiteral("Power off"), this);
    powerOff_->setObjectName(ControlId(1027));
    powerOff_->setChecked(settings_.sleepPowerOff != 0);
    layout->addWidget(powerOff_);
    layout->addStretch();
    connect(sleepTimer_, &QCheckBox::clicked, this, &SleepTimerDialog::OnSleepTimerClicked);

    // A running timer is locked until "Sleep timer" is clicked.
    bool running = settings_.sleepElapsed != -1;
    sleepTimer_->setChecked(running);
    EnableEditing(!running);
}

void SleepTimerDialog::EnableEditing(bool enable) {
    minutes_->setEnabled(enable);
    spin_->setEnabled(enable);
    powerOff_->setEnabled(enable);
    DoneButton()->setEnabled(enable);
}

void SleepTimerDialog::OnSleepTimerClicked() {
    if (!minutes_->isEnabled()) EnableEditing(true);
}

void SleepTimerDialog::accept() {
    // Return in the edit reaches here too; a locked dialog only closes with Cancel.
    if (!minutes_->isEnabled()) return;
    long minutes = EditNumber(*minutes_);
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

SettingsDialogsQt::SettingsDialogsQt() {
    for (const OptionPageKind& kind : kBaseOptionPages) AddPageKind(kind.dialogId, kind.create);
}

void SettingsDialogsQt::AddPageKind(int dialogId, OptionPageFactory factory) { pageKinds_[dialogId] = std::move(factory); }

PropertySheet* SettingsDialogsQt::CreateOptionSheet(PlayerSettings& settings, QWidget* owner) {
    std::vector<OptionPage> pages;
    if (settings.GetOptionPages(pages) <= 0) return nullptr;
    auto* sheet = new PropertySheet(0, owner);
    // The sheet has no caption (string 40013 is empty).
    sheet->setWindowTitle(QString());
    for (const OptionPage& page : pages) {
        auto kind = pageKinds_.find(page.dialogId);
        if (kind != pageKinds_.end() && page.parameter) sheet->AddPage(kind->second(*page.parameter));
    }
    return sheet;
}

void SettingsDialogsQt::ShowOptions(PlayerSettings& settings, void* owner, PlayerEngine*) {
    std::unique_ptr<PropertySheet> sheet(CreateOptionSheet(settings, static_cast<QWidget*>(owner)));
    if (!sheet || sheet->PageCount() == 0) return;
    sheet->exec();
}

bool SettingsDialogsQt::ShowSleepTimer(PlayerSettings& settings, void* owner) {
    SleepTimerDialog dialog(settings, static_cast<QWidget*>(owner));
    return dialog.exec() == QDialog::Accepted;
}

int SettingsDialogsQt::ShowOpenUrl(PlayerSettings&, void* owner, std::wstring& url) {
    OpenUrlDialog dialog(static_cast<QWidget*>(owner));
    if (dialog.exec() != QDialog::Accepted) return 2;
    url = dialog.Url();
    return 1;
}

}  // namespace vl
