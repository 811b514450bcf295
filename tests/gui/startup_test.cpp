// Start-up: the command line as a token list, one player per user (a second start hands its
// files to the first and ends), and the program's screenshot option.
#include <QImage>
#include <QLocalSocket>
#include <QProcess>

#include "ui/command_line.h"
#include "ui/commands.h"
#include "ui/qt/single_instance.h"
#include "window_fixture.h"

namespace vl::test {
namespace {

TEST(CommandLine, Tokens) {
    struct Row {
        const wchar_t* line;
        std::vector<std::wstring> tokens;
    } rows[] = {
        {L"\"/music/a b.mp3\" /music/c.mp3", {L"/music/a b.mp3", L"/music/c.mp3"}},
        {L"a  b", {L"a", L"b"}},
        {L"a   b", {L"a"}},  // the third space makes an empty token: the list ends there
        {L"a b ", {L"a", L"b"}},
        {L"\"x y\"  z", {L"x y"}},  // after a quoted token the second space is a token of its own
        {L"\"open end", {L"open end"}},
        {L"\"\" a", {}},
        {L" a", {}},
        {L"http://host:8000/stream", {L"http://host:8000/stream"}},
    };
    for (const Row& r : rows) {
        std::wstring buffer = TokenizeCommandLine(r.line);
        ASSERT_EQ(wcslen(r.line) + 2, buffer.size());
        EXPECT_EQ(0, buffer[buffer.size() - 1]);
        EXPECT_EQ(0, buffer[buffer.size() - 2]);
        EXPECT_EQ(r.tokens, ReadCommandLineRecord(BuildCommandLineRecord(r.line))) << WideToUtf8(r.line);
    }
    EXPECT_TRUE(BuildCommandLineRecord(L"").empty());
    // The record is (n + 2) UTF-16 units of bytes.
    EXPECT_EQ((3u + 2u) * 2u, BuildCommandLineRecord(L"a b").size());
    // Characters outside the basic plane travel as surrogate pairs.
    EXPECT_EQ(std::vector<std::wstring>{L"\U0001F3B5.mp3"}, ReadCommandLineRecord(BuildCommandLineRecord(L"\U0001F3B5.mp3")));
}

TEST(CommandLine, DamagedRecordsStayInside) {
    EXPECT_TRUE(ReadCommandLineRecord(std::string()).empty());
    EXPECT_TRUE(ReadCommandLineRecord(std::string(1, 'a')).empty());
    // No terminator, and an odd trailing byte.
    EXPECT_EQ(std::vector<std::wstring>{L"ab"}, ReadCommandLineRecord(std::string("a\0b\0c", 5)));
    EXPECT_EQ(L"\"a b\" c", JoinCommandLine({L"a b", L"", L"c", L"bad\"quote"}));
}

// The running player lives in this process; the second start is the real program.
class SecondStart : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        server = std::make_unique<InstanceServer>();
        ASSERT_TRUE(server->Listen());
        server->SetWindow(window.get());
    }
    void TearDown() override {
        server.reset();
        WindowTest::TearDown();
    }
    // Runs versolune with args until it ends, serving it meanwhile; its exit code.
    int RunSecond(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VERSOLUNE_HOME"), QString::fromStdString(home));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VERSOLUNE_BINARY_DIR "/versolune"), args);
        if (!process.waitForStarted(5000)) return -100;
        EXPECT_TRUE(PumpUntil([&] { return process.state() == QProcess::NotRunning; }, 30000));
        return process.exitCode();
    }
    std::unique_ptr<InstanceServer> server;
};

TEST_F(SecondStart, HandsItsFilesOverAndEnds) {
    AddTones(2);
    std::wstring a = Tone("new a.wav", 5.0), b = Tone("new b.wav", 5.0);
    SetAudioBackend("null");
    EXPECT_EQ(0, RunSecond({QString::fromStdWString(a), QString::fromStdWString(b)}));
    ASSERT_EQ(2, window->GetEntryCount());
    EXPECT_EQ(a, window->GetEntry(0)->path);
    EXPECT_EQ(b, window->GetEntry(1)->path);
    EXPECT_EQ(0, window->GetCurrentIndex());
    EXPECT_TRUE(PumpUntil([&] { return engine->GetState() == kPlaying; }));
}

TEST_F(SecondStart, WithoutFilesOnlyBringsTheFirstForward) {
    AddTones(2);
    window->hide();
    EXPECT_EQ(0, RunSecond({}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(2, window->GetEntryCount());
    EXPECT_EQ(kStopped, engine->GetState());
}

TEST_F(SecondStart, DamagedFramesChangeNothing) {
    AddTones(2);
    const QByteArray frames[] = {
        QByteArray("\x4a\x00\x00\x00\xff\xff\xff\xff", 8),          // a huge length
        QByteArray("\x4a\x00\x00\x00\x10\x00\x00\x00\x33\x02", 10),  // cut short
        QByteArray("\x4a\x00\x00\x00\x02\x00\x00\x00\x33\x02", 10),  // no room for dwData
        QByteArray("\x4a\x00\x00\x00\x06\x00\x00\x00\x34\x02\x00\x00a\x00", 14),  // another dwData
        QByteArray("\x11\x01\x00\x00\x00\x00\x00\x00", 8),          // a command without its id
    };
    for (const QByteArray& frame : frames) {
        QLocalSocket socket;
        socket.connectToServer(InstanceSocketPath());
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(frame);
        socket.flush();
        Pump(30);
        socket.abort();
        Pump(10);
        EXPECT_EQ(2, window->GetEntryCount());
    }
}

TEST(Program, ScreenshotThenCloseLikeAnyClose) {
    std::string home = TempDir();
    std::string music = home + "/song.wav";
    ASSERT_TRUE(WriteWav(music, MakeTone(8000, 1, 1.0)));
    std::string shot = home + "/shot.png";
    std::string command = "VERSOLUNE_HOME='" + home + "' '" VERSOLUNE_BINARY_DIR "/versolune' --audio null-fast --screen 240x320@96 --screenshot '" +
                          shot + "' --after 300 '" + music + "'";
    ASSERT_EQ(0, RunCommand(command));
    QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    // The lyrics window with its menu bar: the screen less the two bar heights, plus one.
    EXPECT_EQ(QSize(240, 294), image.size());
    // The close saved the playlist and the settings.
    EXPECT_NE(std::string::npos, ReadFile(home + "/versolune.m3u").find("song.wav"));
    EXPECT_NE(std::string::npos, ReadFile(home + "/HKEY_CURRENT_USER.reg").find("\"Window Left\""));
    // A bad option is a usage error.
    EXPECT_EQ(2, RunCommand("'" VERSOLUNE_BINARY_DIR "/versolune' --screen 240 2>/dev/null"));
}

}  // namespace
}  // namespace vl::test
