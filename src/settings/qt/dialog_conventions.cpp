#include "settings/qt/dialog_conventions.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cwchar>
#include <string>

#include "platform/screen_profile.h"

namespace vl {

namespace {

constexpr int kTitleHeight = 24;  // base pixels: the separator lies at y = 24
constexpr int kMargin = 6;

bool IsSmallPortraitScreen() {
    const ScreenProfile& screen = GetScreenProfile();
    return screen.width == 240 && screen.height == 320;
}

}  // namespace

QString ControlId(int id) { return QString::number(id); }

int DialogPixels(int n) { return ScaleY(n); }

QPushButton* AddButton(QWidget& parent, int id, const QString& text) {
    auto* button = new QPushButton(text, &parent);
    button->setObjectName(ControlId(id));
    button->setFixedHeight(DialogPixels(kTitleHeight - 4));
    button->setAutoDefault(false);
    return button;
}

QFont DialogFont() {
    QFont font;
    font.setPixelSize(ScaleY(11));
    return font;
}

void InitFullScreenDialog(QWidget& dialog, QWidget* owner) {
    const ScreenProfile& screen = GetScreenProfile();
    dialog.setFont(DialogFont());
    dialog.setFixedSize(screen.width, screen.height);
    if (owner) dialog.move(owner->window()->geometry().topLeft());
}

QHBoxLayout* AddTitleRow(QWidget& parent, QVBoxLayout& layout, const QString& title) {
    auto* row = new QHBoxLayout();
    row->setContentsMargins(ScaleX(kMargin), 0, ScaleX(2), 0);
    auto* label = new QLabel(title, &parent);
    label->setObjectName(ControlId(1029));
    label->setFixedHeight(DialogPixels(kTitleHeight));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    label->setPalette(palette);
    row->addWidget(label, 1);
    layout.addLayout(row);
    // The line under the title belongs to the small portrait screen only.
    if (IsSmallPortraitScreen()) {
        auto* line = new QFrame(&parent);
        line->setObjectName(QStringLiteral("TitleSeparator"));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Plain);
        line->setFixedHeight(1);
        layout.addWidget(line);
    }
    return row;
}

long SpinRule::Step(long value, int direction) const {
    if (direction > 0) return value >= max - step ? max : value + step;
    return value - step < min ? min : value - step;
}

long EditNumber(const QLineEdit& edit) {
    std::wstring text = edit.text().toStdWString();
    return std::wcstol(text.c_str(), nullptr, 10);
}

QLineEdit* AddNumberEdit(QWidget& parent, QHBoxLayout& row, int editId, int spinId, int maxLength, SpinRule rule) {
    auto* edit = new QLineEdit(&parent);
    edit->setObjectName(ControlId(editId));
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(QFontMetrics(edit->font()).horizontalAdvance(QLatin1Char('0')) * (maxLength + 1) + ScaleX(10));
    row.addWidget(edit);
    auto* spin = new QWidget(&parent);
    spin->setObjectName(ControlId(spinId));
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (int direction : {1, -1}) {
        auto* button = new QToolButton(spin);
        button->setObjectName(direction > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        button->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(ScaleX(16), ScaleY(10));
        QObject::connect(button, &QToolButton::clicked, edit, [edit, rule, direction] {
            edit->setText(QString::number(rule.Step(EditNumber(*edit), direction)));
        });
        spinLayout->addWidget(button);
    }
    row.addWidget(spin);
    return edit;
}

// ---------------------------------------------------------------- DeviceDialog

DeviceDialog::DeviceDialog(int dialogId, const QString& title, Buttons buttons, QWidget* owner)
    : QDialog(owner), owner_(owner) {
    setObjectName(ControlId(dialogId));
    setWindowTitle(title);
    setModal(true);
    setFont(DialogFont());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, ScaleY(kMargin));
    layout->setSpacing(0);
    QHBoxLayout* row = AddTitleRow(*this, *layout, title);
    title_ = findChild<QLabel*>(ControlId(1029));
    if (buttons == kDoneAndCancel) {
        QPushButton* cancel = AddButton(*this, 2, QStringLiteral("Cancel"));
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        row->addWidget(cancel);
    }
    done_ = AddButton(*this, 1, QStringLiteral("Done"));
    done_->setDefault(true);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(done_);
    body_ = new QVBoxLayout();
    body_->setContentsMargins(ScaleX(kMargin), ScaleY(kMargin), ScaleX(kMargin), 0);
    body_->setSpacing(ScaleY(4));
    layout->addLayout(body_, 1);
    InitFullScreenDialog(*this, owner);
}

void DeviceDialog::showEvent(QShowEvent* event) {
    InitFullScreenDialog(*this, owner_);
    QDialog::showEvent(event);
}

// ---------------------------------------------------------------- PropertyPage

PropertyPage::PropertyPage(int dialogId, const QString& title) : tabTitle_(title) {
    setObjectName(ControlId(dialogId));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, ScaleY(2));
    layout->setSpacing(0);
    AddTitleRow(*this, *layout, title);
    body_ = new QVBoxLayout();
    body_->setContentsMargins(ScaleX(kMargin), ScaleY(kMargin), ScaleX(kMargin), 0);
    body_->setSpacing(ScaleY(4));
    layout->addLayout(body_, 1);
}

// ---------------------------------------------------------------- PropertySheet

PropertySheet::PropertySheet(int dialogId, QWidget* owner) : QDialog(owner), owner_(owner) {
    setObjectName(ControlId(dialogId));
    setModal(true);
    setFont(DialogFont());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setTabPosition(QTabWidget::South);
    tabs_->setDocumentMode(true);
    tabs_->setUsesScrollButtons(true);
    tabs_->tabBar()->setExpanding(false);
    layout->addWidget(tabs_);
    // One Done for every page, in the corner of the page's title line.
    done_ = AddButton(*this, 1, QStringLiteral("Done"));
    done_->setDefault(true);
    connect(done_, &QPushButton::clicked, this, &PropertySheet::accept);
    connect(tabs_, &QTabWidget::currentChanged, this, &PropertySheet::Activate);
    InitFullScreenDialog(*this, owner);
}

void PropertySheet::AddPage(PropertyPage* page) { tabs_->addTab(page, page->TabTitle()); }

int PropertySheet::PageCount() const { return tabs_->count(); }

PropertyPage* PropertySheet::Page(int index) const { return static_cast<PropertyPage*>(tabs_->widget(index)); }

PropertyPage* PropertySheet::CurrentPage() const { return active_ < 0 ? nullptr : Page(active_); }

void PropertySheet::SetCurrentPage(int index) { tabs_->setCurrentIndex(index); }

void PropertySheet::Activate(int index) {
    // Nothing is shown before the sheet opens: the first page is initialised in showEvent.
    if (!isVisible() || index == active_) return;
    if (PropertyPage* old = CurrentPage()) old->OnKillActive();
    active_ = index;
    PropertyPage* page = CurrentPage();
    if (!page) return;
    if (!page->initialised_) {
        page->initialised_ = true;
        page->OnInitDialog();
    }
    page->OnSetActive();
}

void PropertySheet::showEvent(QShowEvent* event) {
    InitFullScreenDialog(*this, owner_);
    QDialog::showEvent(event);
    if (active_ < 0) Activate(tabs_->currentIndex());
    done_->raise();
}

void PropertySheet::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    done_->adjustSize();
    done_->move(event->size().width() - done_->width() - ScaleX(2), ScaleY(2));
    done_->raise();
}

void PropertySheet::Close(bool apply) {
    if (PropertyPage* page = CurrentPage()) page->OnKillActive();
    for (int i = 0; i < PageCount(); ++i) {
        if (!Page(i)->initialised_) continue;
        if (apply) Page(i)->OnApply();
        else Page(i)->OnQueryCancel();
    }
    active_ = -1;
}

void PropertySheet::accept() {
    Close(true);
    QDialog::accept();
}

void PropertySheet::reject() {
    Close(false);
    QDialog::reject();
}

}  // namespace vl
