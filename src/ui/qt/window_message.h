#pragma once
// Window messages as posted Qt events. The event type is the message number itself for the
// engine's messages (WM_ENGINE_STATE 0x2B11, WM_ENGINE_PEAKS 0x2B12, WM_ENGINE_TITLE 0x5221);
// a posted command (WM_COMMAND) has the type kCommandEvent. Removing queued messages of one
// number is QCoreApplication::removePostedEvents(window, number).
#include <QEvent>

#include <cstdint>

#include "platform/message_sink.h"

namespace vl {

constexpr int kCommandEvent = QEvent::User + 273;

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(int type, uintptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(type)), wParam(wParam), lParam(lParam) {}
    uintptr_t wParam;
    intptr_t lParam;
};

// The engine's MessageSink of a window: every Post becomes a posted event of the message's
// number. Safe from any thread; the window must outlive every sender (it clears the engine's
// notify target before it goes).
class WindowMessageSink : public MessageSink {
public:
    explicit WindowMessageSink(QObject* window) : window_(window) {}
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) override;

private:
    QObject* window_;
};

// PostMessage(WM_COMMAND, id): the command runs later from the event loop.
void PostCommand(QObject* window, int id);

}  // namespace vl
