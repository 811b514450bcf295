#include "settings/qt/dialog_rows.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/qt/dialog_conventions.h"

namespace vl {

QHBoxLayout* AddTitleRow(QDialog& dialog, const QString& title) {
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    return AddTitleRow(dialog, *layout, title);
}

QPushButton* AddButton(QBoxLayout* layout, int id, const QString& text) {
    auto* button = new QPushButton(text, layout->parentWidget());
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

}  // namespace vl
