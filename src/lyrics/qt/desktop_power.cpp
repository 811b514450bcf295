#include "lyrics/qt/desktop_power.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QString>

namespace vl {

namespace {

const char kScreenSaverService[] = "org.freedesktop.ScreenSaver";
const char kScreenSaverPath[] = "/org/freedesktop/ScreenSaver";
const char kLogindService[] = "org.freedesktop.login1";
const char kLogindPath[] = "/org/freedesktop/login1";
const char kLogindManager[] = "org.freedesktop.login1.Manager";
const char kApplication[] = "Versolune";
// An answer that takes longer than this is treated as no answer.
constexpr int kCallTimeoutMs = 2000;

QDBusMessage Call(QDBusConnection& bus, const QDBusMessage& message) {
    if (!bus.isConnected()) return QDBusMessage();
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

}  // namespace

DBusDesktopPower::DBusDesktopPower(QDBusConnection sessionBus, QDBusConnection systemBus)
    : session_(std::move(sessionBus)), system_(std::move(systemBus)) {}

DBusDesktopPower::~DBusDesktopPower() {
    InhibitScreenSaver(false);
    InhibitIdleSleep(false);
}

void DBusDesktopPower::InhibitScreenSaver(bool on) {
    if (on == (screenSaverCookie_ != 0)) return;
    if (!on) {
        QDBusMessage m = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                        "UnInhibit");
        m << screenSaverCookie_;
        screenSaverCookie_ = 0;
        Call(session_, m);
        return;
    }
    QDBusMessage m =
        QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService, "Inhibit");
    m << QString(kApplication) << QString("Showing lyrics while music plays");
    QDBusReply<uint32_t> reply = Call(session_, m);
    if (reply.isValid()) screenSaverCookie_ = reply.value();
}

void DBusDesktopPower::InhibitIdleSleep(bool on) {
    if (on == idleLock_.isValid()) return;
    if (!on) {
        idleLock_ = QDBusUnixFileDescriptor();  // closing the descriptor ends the inhibitor
        return;
    }
    QDBusMessage m = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager, "Inhibit");
    m << QString("idle") << QString(kApplication) << QString("Playing music") << QString("block");
    QDBusReply<QDBusUnixFileDescriptor> reply = Call(system_, m);
    if (reply.isValid()) idleLock_ = reply.value();
}

bool DBusDesktopPower::Suspend() {
    QDBusMessage m = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager, "Suspend");
    m << false;  // not interactive: no password prompt
    return Call(system_, m).type() == QDBusMessage::ReplyMessage;
}

}  // namespace vl
