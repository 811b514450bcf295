#include "settings/qt/presets_page.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/files.h"
#include "settings/qt/option_pages.h"

namespace vl {

namespace {

constexpr int kNameEdit = 1022;

// The boxes of "Save Presets", in the order the flags are stored.
const struct {
    int id;
    const char* text;
    int PresetFlags::*flag;
} kSaveBoxes[6] = {
    {1043, "Equalizer", &PresetFlags::saveEqualizer}, {1031, "Surround", &PresetFlags::saveSurround},
    {1005, "3D Effect", &PresetFlags::save3DChorus},  {1032, "Reverb", &PresetFlags::saveReverb},
    {1040, "Echo", &PresetFlags::saveEcho},           {1033, "Bass Boost", &PresetFlags::saveBassBoost},
};

class PresetsPage : public PropertyPage {
public:
    explicit PresetsPage(EffectsSheetContext& context)
        : PropertyPage(140, QStringLiteral("Presets")), context_(context) {
        list_ = AddListWithButtons(*this, 1004, {{1007, "Load"}, {40044, "Save..."}, {1021, "Delete"}});
        delete_ = findChild<QPushButton*>(ControlId(1021));
        list_->installEventFilter(this);
        connect(list_, &QListWidget::itemSelectionChanged, this,
                [this] { delete_->setEnabled(!list_->selectedItems().isEmpty()); });
        connect(list_, &QListWidget::itemDoubleClicked, this, &PresetsPage::Load);
        connect(findChild<QPushButton*>(ControlId(1007)), &QPushButton::clicked, this, &PresetsPage::Load);
        connect(findChild<QPushButton*>(ControlId(40044)), &QPushButton::clicked, this, &PresetsPage::Save);
        connect(delete_, &QPushButton::clicked, this, &PresetsPage::Delete);
    }

    void OnInitDialog() override {
        for (const std::wstring& name : ListPresets()) list_->addItem(QString::fromStdWString(name));
        delete_->setEnabled(false);
    }

protected:
    // Enter loads and Delete deletes in the list; neither reaches the sheet (Enter would close it).
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == list_ && event->type() == QEvent::KeyPress) {
            int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                Load();
                return true;
            }
            if (key == Qt::Key_Delete) {
                Delete();
                return true;
            }
        }
        return PropertyPage::eventFilter(watched, event);
    }

private:
    QListWidgetItem* FirstSelected() const {
        for (int i = 0; i < list_->count(); ++i)
            if (list_->item(i)->isSelected()) return list_->item(i);
        return nullptr;
    }

    void Load() {
        QListWidgetItem* item = FirstSelected();
        std::wstring path;
        if (item && BuildPresetPath(item->text().toStdWString(), path)) ReadPreset(context_, path);
    }

    // No confirmation; the row stays when the file cannot be deleted.
    void Delete() {
        QListWidgetItem* item = FirstSelected();
        if (item && DeletePreset(item->text().toStdWString())) delete item;
    }

    void Save() {
        context_.flags = PresetFlags{};
        context_.presetName.clear();
        if (QListWidgetItem* item = FirstSelected()) context_.presetName = item->text().toStdWString();
        SavePresetsDialog dialog(context_, this);
        if (dialog.exec() != QDialog::Accepted) return;
        std::wstring path;
        if (!BuildPresetPath(context_.presetName, path)) return;
        WritePreset(context_, path, context_.flags);
        if (!FileExists(path)) return;
        QString name = QString::fromStdWString(context_.presetName);
        QListWidgetItem* row = nullptr;
        for (int i = 0; i < list_->count() && !row; ++i)
            if (list_->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) row = list_->item(i);
        if (!row) {
            row = new QListWidgetItem(name);
            list_->addItem(row);
        }
        list_->clearSelection();
        list_->setCurrentItem(row);
        row->setSelected(true);
        list_->setFocus();
    }

    EffectsSheetContext& context_;
    QListWidget* list_;
    QPushButton* delete_;
};

}  // namespace

PropertyPage* CreatePresetsPage(EffectsSheetContext& context) { return new PresetsPage(context); }

SavePresetsDialog::SavePresetsDialog(EffectsSheetContext& context, QWidget* owner)
    : DeviceDialog(142, QStringLiteral("Save Presets"), kDoneAndCancel, owner), context_(context) {
    Body()->addWidget(new QLabel(QStringLiteral("Name :"), this));
    name_ = new QLineEdit(this);
    name_->setObjectName(ControlId(kNameEdit));
    std::wstring folder;
    EnsurePresetFolder(folder);
    name_->setMaxLength(std::max(0, PresetNameLimit(folder)));
    name_->setText(QString::fromStdWString(context_.presetName));
    Body()->addWidget(name_);
    for (int i = 0; i < 6; ++i) {
        boxes_[i] = new QCheckBox(QString::fromUtf8(kSaveBoxes[i].text), this);
        boxes_[i]->setObjectName(ControlId(kSaveBoxes[i].id));
        boxes_[i]->setChecked(context_.flags.*kSaveBoxes[i].flag != 0);
        Body()->addWidget(boxes_[i]);
    }
    Body()->addStretch();
}

void SavePresetsDialog::accept() {
    std::wstring name = name_->text().toStdWString();
    // A name that could not be a file name of the preset folder is answered by selecting it.
    if (!IsValidPresetName(name)) {
        name_->selectAll();
        name_->setFocus();
        return;
    }
    for (int i = 0; i < 6; ++i) context_.flags.*kSaveBoxes[i].flag = boxes_[i]->isChecked() ? 1 : 0;
    context_.presetName = name;
    DeviceDialog::accept();
}

}  // namespace vl
