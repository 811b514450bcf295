#include "ui/qt/window_message.h"

#include <QCoreApplication>

namespace vl {

void WindowMessageSink::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message < QEvent::User || message > QEvent::MaxUser) return;
    QCoreApplication::postEvent(window_, new WindowMessageEvent(static_cast<int>(message), wParam, lParam));
}

void PostCommand(QObject* window, int id) {
    QCoreApplication::postEvent(window, new WindowMessageEvent(kCommandEvent, static_cast<uintptr_t>(id), 0));
}

}  // namespace vl
