#pragma once
// The desktop services behind Power, over D-Bus: the screen-saver inhibit of the session's
// org.freedesktop.ScreenSaver, the idle inhibitor and the suspend of the system's logind
// (org.freedesktop.login1). Each call is a short blocking call on the user-interface thread;
// where no service answers (no bus, no screen saver, no logind) it does nothing.
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

#include <cstdint>

#include "platform/power.h"

namespace vl {

class DBusDesktopPower : public DesktopPower {
public:
    // The buses to talk to (a test gives a private one for both).
    DBusDesktopPower(QDBusConnection sessionBus = QDBusConnection::sessionBus(),
                     QDBusConnection systemBus = QDBusConnection::systemBus());
    ~DBusDesktopPower() override;
    DBusDesktopPower(const DBusDesktopPower&) = delete;
    DBusDesktopPower& operator=(const DBusDesktopPower&) = delete;

    void InhibitScreenSaver(bool on) override;
    void InhibitIdleSleep(bool on) override;
    bool Suspend() override;

    // Held right now (for the tests): the screen saver's cookie, the idle inhibitor's lock.
    bool HoldsScreenSaverInhibit() const { return screenSaverCookie_ != 0; }
    bool HoldsIdleInhibit() const { return idleLock_.isValid(); }

private:
    QDBusConnection session_;
    QDBusConnection system_;
    uint32_t screenSaverCookie_ = 0;
    // logind keeps the inhibitor while this descriptor is open.
    QDBusUnixFileDescriptor idleLock_;
};

}  // namespace vl
