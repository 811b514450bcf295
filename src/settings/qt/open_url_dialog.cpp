#include "settings/qt/open_url_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "settings/url_history.h"

namespace vl {

OpenUrlDialog::OpenUrlDialog(QWidget* owner)
    : DeviceDialog(119, QStringLiteral("Open URL"), kDoneAndCancel, owner) {
    Body()->addWidget(new QLabel(QStringLiteral("URL :"), this));
    combo_ = new QComboBox(this);
    combo_->setObjectName(ControlId(1012));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->lineEdit()->setMaxLength(kUrlMaxLength + 1);
    for (const std::wstring& url : ReadUrlHistory()) combo_->addItem(QString::fromStdWString(url));
    combo_->setCurrentIndex(-1);
    combo_->setEditText(QString());
    Body()->addWidget(combo_);
    Body()->addStretch();
    connect(combo_, QOverload<int>::of(&QComboBox::activated), this, [this](int index) { picked_ = index; });
    connect(combo_->lineEdit(), &QLineEdit::textEdited, this, [this] { picked_ = -1; });
    combo_->setFocus();
}

void OpenUrlDialog::accept() {
    if (picked_ >= 0) {
        url_ = combo_->itemText(picked_).toStdWString();
    } else {
        url_ = MakeUrlFromTyped(combo_->currentText().toStdWString());
        if (url_.empty()) return;
        AddUrlToHistory(url_);
    }
    DeviceDialog::accept();
}

}  // namespace vl
