#include "lyrics/qt/lyrics_option_pages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cwchar>
#include <iterator>

#include "lyrics/hardware_buttons.h"
#include "lyrics/qt/device_keys.h"
#include "settings/qt/option_pages.h"
#include "ui/string_table.h"

namespace vl {

namespace {

QString Text(int id) { return QString::fromWCharArray(GetString(id)); }

// The name of the first button of the table with that key, modifiers ignored.
QString KeyName(int keyCode) {
    if (const HardwareButton* button = FindHardwareButton(keyCode)) return Text(button->nameId);
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%dX", keyCode);
    return QString::fromWCharArray(text);
}

// ---------------------------------------------------------------- Display

constexpr int kDelays[] = {0, 5, 10, 15, 20, 30, 60, 90, 120, 180, 300};  // seconds; 0 = never

LyricsSettings& Lyrics(PlayerSettings& s) { return static_cast<LyricsSettings&>(s); }

const BoxBinding kDisplayBoxes[] = {
    {1017, "Enable at battery use", [](PlayerSettings& s) -> int32_t& { return Lyrics(s).dispEnableBattery; }},
    {1005, "Auto turn on ", [](PlayerSettings& s) -> int32_t& { return Lyrics(s).dispAutoOn; }},
    {1090, "Auto turn on backlight", [](PlayerSettings& s) -> int32_t& { return Lyrics(s).alwaysTurnOnBacklight; }},
};

class DisplayPage : public PropertyPage {
public:
    explicit DisplayPage(LyricsSettings& settings) : PropertyPage(180, QStringLiteral("Display")), settings_(settings) {
        auto* row = new QHBoxLayout();
        row->addWidget(new QLabel(QStringLiteral("Auto turn off :"), this));
        delay_ = new QComboBox(this);
        delay_->setObjectName(ControlId(1010));
        row->addWidget(delay_, 1);
        Body()->addLayout(row);
        AddBoxes(*this, kDisplayBoxes);
        Body()->addStretch();
    }
    void OnInitDialog() override {
        for (int seconds : kDelays) {
            wchar_t text[32];
            std::swprintf(text, 32, GetString(40086), seconds);
            delay_->addItem(seconds == 0 ? Text(40084) : QString::fromWCharArray(text), seconds);
        }
        delay_->setCurrentIndex(delay_->findData(settings_.dispAutoOff));
        ShowBoxes(*this, kDisplayBoxes, settings_);
    }
    void OnApply() override {
        if (delay_->currentIndex() < 0) return;
        settings_.dispAutoOff = delay_->currentData().toInt();
        ReadBoxes(*this, kDisplayBoxes, settings_);
        if (settings_.setBacklightRequirement) settings_.setBacklightRequirement(settings_.alwaysTurnOnBacklight != 0);
    }

private:
    LyricsSettings& settings_;
    QComboBox* delay_;
};

template <class Page>
PropertyPage* Create(PlayerSettings& settings) {
    return new Page(Lyrics(settings));
}

}  // namespace

LyricsSettingsDialogsQt::LyricsSettingsDialogsQt() {
    AddPageKind(179, Create<ButtonsPage>);
    AddPageKind(180, Create<DisplayPage>);
}

// ---------------------------------------------------------------- Buttons

ButtonsPage::ButtonsPage(LyricsSettings& settings) : PropertyPage(179, QStringLiteral("Buttons")), settings_(settings) {
    Body()->addWidget(new QLabel(QStringLiteral("1. Select Function"), this));
    functions_ = new QComboBox(this);
    functions_->setObjectName(ControlId(1009));
    Body()->addWidget(functions_);
    Body()->addWidget(new QLabel(QStringLiteral("2. Press Hardware Button"), this));
    list_ = new QTreeWidget(this);
    list_->setObjectName(ControlId(1004));
    list_->setColumnCount(2);
    list_->setHeaderLabels({Text(40080), Text(40081)});
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->header()->setSectionResizeMode(QHeaderView::Stretch);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    Body()->addWidget(list_, 1);
    releaseKeyMap_ = new QCheckBox(QStringLiteral("Un-map buttons during background play"), this);
    releaseKeyMap_->setObjectName(ControlId(1005));
    Body()->addWidget(releaseKeyMap_);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* unmap = menu.addAction(QStringLiteral("Un-map"));
        if (menu.exec(list_->viewport()->mapToGlobal(at)) != unmap) return;
        QList<QTreeWidgetItem*> selected = list_->selectedItems();
        if (!selected.isEmpty()) DeleteRow(list_->indexOfTopLevelItem(selected.front()));
    });
}

ButtonsPage::~ButtonsPage() { SetCapture(false); }

void ButtonsPage::OnInitDialog() {
    functions_->addItem(Text(kSelectFunctionText), 0);
    for (int command : kButtonFunctions) functions_->addItem(Text(command), command);
    functions_->setCurrentIndex(0);
    for (int i = 0; i < settings_.keyMap.GetCount(); ++i)
        if (const KeyMapping* mapping = settings_.GetKeyMapping(i)) AddRow(*mapping);
    releaseKeyMap_->setChecked(settings_.releaseKeyMap == 1);
}

void ButtonsPage::OnSetActive() { SetCapture(true); }

void ButtonsPage::OnKillActive() { SetCapture(false); }

void ButtonsPage::OnApply() {
    settings_.ClearKeyMap();
    for (const KeyMapping& mapping : rows_) settings_.AddKeyMapping(mapping);
    settings_.releaseKeyMap = releaseKeyMap_->isChecked() ? 1 : 0;
    list_->clear();
    rows_.clear();
}

void ButtonsPage::OnQueryCancel() {
    list_->clear();
    rows_.clear();
    SetCapture(false);
}

void ButtonsPage::SetCapture(bool on) {
    if (on == capturing_) return;
    capturing_ = on;
    if (on) qApp->installEventFilter(this);
    else qApp->removeEventFilter(this);
}

bool ButtonsPage::eventFilter(QObject* watched, QEvent* event) {
    // Only presses inside the sheet: another window keeps its keys.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != window())
        return false;
    DeviceKey key;
    if (!DeviceKeyFromEvent(static_cast<QKeyEvent&>(*event), key)) return false;
    OnHotKey(key.modifiers, key.keyCode);
    return true;
}

void ButtonsPage::OnHotKey(int modifiers, int keyCode) {
    int command = functions_->currentIndex() > 0 ? functions_->currentData().toInt() : 0;
    if (command == kUnmapCommand) {
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (rows_[i].keyCode != keyCode) continue;
            DeleteRow(static_cast<int>(i));
            break;
        }
    } else if (command != 0) {
        AddRow(KeyMapping{VirtFlagsFromModifiers(modifiers), static_cast<uint16_t>(keyCode), static_cast<uint16_t>(command)});
    }
    functions_->setCurrentIndex(0);
}

void ButtonsPage::AddRow(const KeyMapping& mapping) {
    int row = 0;
    while (row < static_cast<int>(rows_.size()) &&
           (rows_[row].virtFlags != mapping.virtFlags || rows_[row].keyCode != mapping.keyCode))
        ++row;
    QTreeWidgetItem* item;
    if (row < static_cast<int>(rows_.size())) {
        rows_[row].command = mapping.command;
        item = list_->topLevelItem(row);
    } else {
        rows_.push_back(mapping);
        item = new QTreeWidgetItem(list_, {KeyName(mapping.keyCode), QString()});
    }
    item->setText(1, Text(mapping.command));
    list_->setCurrentItem(item);
    list_->setFocus();
    list_->scrollToItem(item);
}

void ButtonsPage::DeleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    rows_.erase(rows_.begin() + row);
    delete list_->takeTopLevelItem(row);
}

}  // namespace vl
