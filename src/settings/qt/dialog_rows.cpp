#include "settings/qt/dialog_rows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/qt/settings_dialogs_qt.h"

namespace vl {

QHBoxLayout* AddTitleRow(QDialog& dialog, const QString& title) {
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    QLabel* label = AddDialogTitle(dialog, title);
    layout->removeWidget(label);
    auto* row = new QHBoxLayout();
    row->addWidget(label, 1);
    layout->insertLayout(0, row);
    return row;
}

QPushButton* AddButton(QBoxLayout* layout, int id, const QString& text) {
    auto* button = new QPushButton(text, layout->parentWidget());
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

}  // namespace vl
