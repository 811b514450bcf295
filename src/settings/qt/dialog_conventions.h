#pragma once
// What every dialog and option page of the player shares: full-screen on the device screen, a
// title static (object name "1029") in the highlight colour at the top with a separator line
// under it on a 240 x 320 screen only, a Done button ("1") and, where the dialog has one, Cancel
// ("2"). Controls are found by their ids: every control's object name is its id.
//
// PropertySheet/PropertyPage: a modal sheet with its tabs along the bottom edge and one Done
// button for all pages. A page is initialised the first time it is shown; Done applies the
// pages that were initialised, in order, and nothing else; closing the sheet any other way
// (Escape, the window manager) applies nothing.
#include <QDialog>
#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace vl {

// The object name of a control id.
QString ControlId(int id);
// The dialog font: 8 points at the device screen's resolution.
QFont DialogFont();
// A length of n base pixels on the device screen (vertical resolution).
int DialogPixels(int n);

// A push button named by its control id, as high as the title row's buttons.
QPushButton* AddButton(QWidget& parent, int id, const QString& text);

// Sizes a dialog to the device screen and places it over its owner's window.
void InitFullScreenDialog(QWidget& dialog, QWidget* owner);

// Adds the title row (static 1029, then whatever the caller adds to the returned row) and, on a
// 240 x 320 screen, the separator line under it, to the top of layout.
QHBoxLayout* AddTitleRow(QWidget& parent, QVBoxLayout& layout, const QString& title);

// The arrows of a number edit (the edit has no buddy value: each step rewrites its text). Up
// adds step, and any value of max - step or more becomes max; down subtracts step, not below min.
struct SpinRule {
    int step, min, max;
    long Step(long value, int direction) const;
};
// Adds to row: the edit (object name editId, at most maxLength characters) and its spin
// (object name spinId, with the buttons "up" and "down").
QLineEdit* AddNumberEdit(QWidget& parent, QHBoxLayout& row, int editId, int spinId, int maxLength, SpinRule rule);
// The base-10 value at the start of an edit's text (0 for text that is not a number).
long EditNumber(const QLineEdit& edit);

// A full-screen dialog: title row with Cancel ("2", optional) and Done ("1") at the right.
// Done calls accept(), Cancel and Escape reject(); derived dialogs override accept() to check
// their input before closing.
class DeviceDialog : public QDialog {
    Q_OBJECT
public:
    enum Buttons { kDoneOnly = 1, kDoneAndCancel = 3 };
    DeviceDialog(int dialogId, const QString& title, Buttons buttons, QWidget* owner);

    // The layout below the title, for the dialog's controls.
    QVBoxLayout* Body() const { return body_; }
    QLabel* Title() const { return title_; }
    QPushButton* DoneButton() const { return done_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* owner_;
    QVBoxLayout* body_ = nullptr;
    QLabel* title_ = nullptr;
    QPushButton* done_ = nullptr;
};

// One page of a property sheet (object name = its dialog id).
class PropertyPage : public QWidget {
    Q_OBJECT
public:
    PropertyPage(int dialogId, const QString& title);

    QVBoxLayout* Body() const { return body_; }
    QString TabTitle() const { return tabTitle_; }
    bool IsInitialised() const { return initialised_; }

    // The notifications of the sheet: the first showing (fill the controls), every showing and
    // hiding, Done (read the controls back) and a close without Done.
    virtual void OnInitDialog() {}
    virtual void OnSetActive() {}
    virtual void OnKillActive() {}
    virtual void OnApply() {}
    virtual void OnQueryCancel() {}

private:
    friend class PropertySheet;
    QString tabTitle_;
    QVBoxLayout* body_ = nullptr;
    bool initialised_ = false;
};

class PropertySheet : public QDialog {
    Q_OBJECT
public:
    PropertySheet(int dialogId, QWidget* owner);

    // The sheet owns its pages.
    void AddPage(PropertyPage* page);
    int PageCount() const;
    PropertyPage* Page(int index) const;
    PropertyPage* CurrentPage() const;
    void SetCurrentPage(int index);
    QTabWidget* Tabs() const { return tabs_; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Activate(int index);
    // Every initialised page applies (Done) or hears that the sheet closes without it.
    void Close(bool apply);

    QWidget* owner_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* done_ = nullptr;
    int active_ = -1;
};

}  // namespace vl
