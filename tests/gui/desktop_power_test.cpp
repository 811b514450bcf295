// The desktop power services over D-Bus, against stand-in services on a private bus.
#include "lyrics/qt/desktop_power.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QThread>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "support/test_support.h"
#include "window_fixture.h"

namespace vl {
namespace {

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    std::atomic<int> held{0};
    std::atomic<uint> lastCookie{0};
    QString application;

public slots:
    uint Inhibit(const QString& app, const QString&) {
        application = app;
        ++held;
        return lastCookie = 40 + held;
    }
    void UnInhibit(uint cookie) {
        if (cookie == lastCookie) --held;
    }
};

class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~FakeLogind() override {
        if (readEnd >= 0) close(readEnd);
    }
    int readEnd = -1;  // end of the inhibitor's pipe that sees the holder close it
    QString what, mode;
    std::atomic<int> suspends{0};

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& w, const QString&, const QString&, const QString& m) {
        what = w;
        mode = m;
        int fds[2];
        if (pipe(fds) != 0) return QDBusUnixFileDescriptor();
        readEnd = fds[0];
        QDBusUnixFileDescriptor lock(fds[1]);  // keeps a copy of its own
        close(fds[1]);
        return lock;
    }
    void Suspend(bool) { ++suspends; }
};

// True once every writer of the pipe has closed it.
bool ClosedByHolder(int readEnd) {
    return test::PumpUntil([&] {
        pollfd p{readEnd, POLLIN, 0};
        char c;
        return poll(&p, 1, 0) == 1 && read(readEnd, &c, 1) == 0;
    }, 5000);
}

// A private message bus with nothing on it but what a test puts there.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureApplication();
        std::string config = test::TempDir() + "/bus.conf";
        test::WriteFile(config,
                        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                        "<policy context=\"default\"><allow send_destination=\"*\"/>"
                        "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                        "</policy></busconfig>");
        daemon.start("dbus-daemon", {"--nofork", "--print-address=1", "--config-file=" + QString::fromStdString(config)});
        ASSERT_TRUE(daemon.waitForStarted(5000));
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "client"));
        ASSERT_TRUE(client->isConnected());
    }
    void TearDown() override {
        client.reset();
        QDBusConnection::disconnectFromBus("client");
        QDBusConnection::disconnectFromBus("services");
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    // Puts both stand-ins on the bus; their calls run on a thread of their own, so that the
    // client's blocking calls from this thread get answers.
    void StartServices(FakeScreenSaver& saver, FakeLogind& logind) {
        serviceThread.start();
        saver.moveToThread(&serviceThread);
        logind.moveToThread(&serviceThread);
        QDBusConnection services = QDBusConnection::connectToBus(address, "services");
        ASSERT_TRUE(services.registerService("org.freedesktop.ScreenSaver"));
        ASSERT_TRUE(services.registerService("org.freedesktop.login1"));
        ASSERT_TRUE(services.registerObject("/org/freedesktop/ScreenSaver", &saver, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(services.registerObject("/org/freedesktop/login1", &logind, QDBusConnection::ExportAllSlots));
    }
    void StopServices() {
        QDBusConnection::disconnectFromBus("services");
        serviceThread.quit();
        serviceThread.wait();
    }

    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> client;
    QThread serviceThread;
};

TEST_F(PrivateBus, InhibitsAreTakenAndGivenBack) {
    FakeScreenSaver saver;
    FakeLogind logind;
    StartServices(saver, logind);
    {
        DBusDesktopPower power(*client, *client);
        power.InhibitScreenSaver(true);
        power.InhibitScreenSaver(true);  // held already: no second cookie
        EXPECT_TRUE(power.HoldsScreenSaverInhibit());
        EXPECT_EQ(1, saver.held.load());
        EXPECT_EQ(QString("Versolune"), saver.application);
        power.InhibitScreenSaver(false);
        EXPECT_EQ(0, saver.held.load());

        power.InhibitIdleSleep(true);
        ASSERT_TRUE(power.HoldsIdleInhibit());
        EXPECT_EQ(QString("idle"), logind.what);
        EXPECT_EQ(QString("block"), logind.mode);
        power.InhibitIdleSleep(false);
        EXPECT_FALSE(power.HoldsIdleInhibit());
        EXPECT_TRUE(ClosedByHolder(logind.readEnd));

        EXPECT_TRUE(power.Suspend());
        EXPECT_EQ(1, logind.suspends.load());

        power.InhibitScreenSaver(true);
        power.InhibitIdleSleep(true);
    }
    // Gone while holding both: both are given back.
    EXPECT_EQ(0, saver.held.load());
    EXPECT_TRUE(ClosedByHolder(logind.readEnd));
    StopServices();
}

TEST_F(PrivateBus, NothingHappensWhereNoServiceAnswers) {
    DBusDesktopPower power(*client, *client);
    power.InhibitScreenSaver(true);
    power.InhibitIdleSleep(true);
    EXPECT_FALSE(power.HoldsScreenSaverInhibit());
    EXPECT_FALSE(power.HoldsIdleInhibit());
    EXPECT_FALSE(power.Suspend());

    DBusDesktopPower offline(QDBusConnection("not-connected"), QDBusConnection("not-connected"));
    offline.InhibitScreenSaver(true);
    EXPECT_FALSE(offline.HoldsScreenSaverInhibit());
    EXPECT_FALSE(offline.Suspend());
}

}  // namespace
}  // namespace vl

#include "desktop_power_test.moc"
