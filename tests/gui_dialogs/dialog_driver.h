#pragma once
// Works on a modal dialog once its loop runs, as a user would; fails the test when no visible
// dialog of that object name appears or when it is left open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <string>

namespace vl::test {

class DialogDriver {
public:
    DialogDriver(const QString& name, std::function<void(QDialog&)> drive) : name_(name) {
        QTimer::singleShot(0, [this, drive] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(w);
                if (!dialog || dialog->objectName() != name_ || !dialog->isVisible()) continue;
                found_ = true;
                drive(*dialog);
                return;
            }
        });
        guard_.setSingleShot(true);
        QObject::connect(&guard_, &QTimer::timeout, [] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) modal->reject();
            ADD_FAILURE() << "the dialog was left open";
        });
        guard_.start(20000);
    }
    ~DialogDriver() { EXPECT_TRUE(found_) << "no dialog " << name_.toStdString() << " was shown"; }

private:
    QString name_;
    bool found_ = false;
    QTimer guard_;
};

}  // namespace vl::test
