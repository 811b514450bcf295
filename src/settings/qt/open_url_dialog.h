#pragma once
// Dialog 119 "Open URL": combo box 1012 with the last five addresses (newest first), Done ("1")
// and Cancel ("2"). A listed entry is taken as it is and leaves the history alone; typed text
// gets "http://" in front when it has no scheme of its own and goes to the top of the history.
// Empty text keeps the dialog open.
#include <string>

#include "settings/qt/dialog_conventions.h"

class QComboBox;

namespace vl {

class OpenUrlDialog : public DeviceDialog {
    Q_OBJECT
public:
    explicit OpenUrlDialog(QWidget* owner);

    void accept() override;
    // The address produced by Done.
    const std::wstring& Url() const { return url_; }

private:
    QComboBox* combo_;
    int picked_ = -1;  // the list entry chosen, until the text is edited
    std::wstring url_;
};

}  // namespace vl
