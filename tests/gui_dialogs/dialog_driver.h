#pragma once
// Works on a modal dialog once its loop runs: drive() gets the visible dialog whose object name
// is the dialog id. Fails the test if no such dialog appears or if it is left open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <string>

namespace vl::test {

class DialogDriver {
public:
    DialogDriver(const char* dialogId, std::function<void(QDialog&)> drive) : id_(dialogId) {
        QTimer::singleShot(0, [this, drive] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (!dialog || dialog->objectName() != id_.c_str() || !dialog->isVisible()) continue;
                found_ = true;
                drive(*dialog);
            }
        });
        guard_.setSingleShot(true);
        QObject::connect(&guard_, &QTimer::timeout, [] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) modal->reject();
            ADD_FAILURE() << "the dialog was left open";
        });
        guard_.start(10000);
    }
    ~DialogDriver() { EXPECT_TRUE(found_) << "no dialog " << id_ << " was shown"; }

private:
    std::string id_;
    bool found_ = false;
    QTimer guard_;
};

}  // namespace vl::test
