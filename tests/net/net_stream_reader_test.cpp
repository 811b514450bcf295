// The stream reader against the local radio server on 127.0.0.1.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "engine/input/net_stream_reader.h"
#include "support/icy_server.h"
#include "support/test_support.h"

namespace vl {
namespace {

using test::IcyServer;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Reads exactly n bytes (or what there is); the bytes read.
std::string ReadBytes(NetStreamReader& reader, size_t n, bool* ok = nullptr) {
    std::string out(n, '\0');
    uint32_t count = 0;
    bool result = reader.Read(reinterpret_cast<uint8_t*>(&out[0]), static_cast<uint32_t>(n), count);
    if (ok) *ok = result;
    out.resize(count);
    return out;
}

class NetStreamReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new IcyServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server_->Started()); }

    bool OpenAt(NetStreamReader& reader, const std::string& pathAndQuery) {
        return reader.SetUrl(server_->WideUrl(pathAndQuery)) && reader.Open();
    }
    std::string FileBytes() { return test::ReadFile(server_->File()); }

    static IcyServer* server_;
};
IcyServer* NetStreamReaderTest::server_ = nullptr;

TEST_F(NetStreamReaderTest, AnswersThatOpenOrFail) {
    struct Row {
        const char* query;
        bool opens;
    } rows[] = {
        {"/?status-line=icy", true},
        {"/?status-line=http", true},
        {"/?trickle-ms=2", true},        // a slow head is still a head
        {"/?status=404", false},
        {"/?status=500&status-line=http", false},
        {"/?split-status=1", false},     // the first piece ends inside the status word
        {"/?long-head=3000", false},     // no end within 2047 bytes
        {"/?status=302&no-location=1", false},
        {"/chain/10", true},             // ten redirects are followed
        {"/chain/11", false},            // the eleventh is not
        {"/loop", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query);
        NetStreamReader reader;
        auto start = Clock::now();
        EXPECT_EQ(OpenAt(reader, row.query), row.opens);
        EXPECT_LT(ElapsedMs(start), 4000) << "gave up by a timeout instead of the answer";
        EXPECT_EQ(reader.GetUrl(), server_->WideUrl(row.query));
        reader.Close();
        EXPECT_TRUE(reader.SetBufferBlocks(8)) << "blocks left after a failed open";
    }
}

TEST_F(NetStreamReaderTest, RequestTextAndHost) {
    NetStreamReader reader;
    reader.SetUserAgent(L"Versolune (Linux)");
    ASSERT_TRUE(OpenAt(reader, "/live"));
    reader.Close();
    std::string url = server_->Url("");  // no path: the target is "/"
    ASSERT_TRUE(reader.SetUrl(std::wstring(url.begin(), url.end())));
    ASSERT_TRUE(reader.Open());
    reader.Close();
    std::string recorded = server_->Recorded();
    EXPECT_NE(recorded.find("GET /live HTTP/1.0\r\nHost: 127.0.0.1\r\nAccept: */*\r\nIcy-MetaData:1\r\n"
                            "User-Agent: Versolune (Linux)\r\n\r\n"),
              std::string::npos)
        << recorded;
    EXPECT_NE(recorded.find("GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n"), std::string::npos) << recorded;
}

TEST_F(NetStreamReaderTest, ThroughProxy) {
    NetStreamReader reader;
    reader.SetProxy(true, L"127.0.0.1:" + std::to_wstring(server_->Port()));
    ASSERT_TRUE(reader.SetUrl(L"http://radio.test:8000/live?proxy-check=1"));
    ASSERT_TRUE(reader.Open());
    reader.Close();
    std::string recorded = server_->Recorded();
    EXPECT_NE(recorded.find("GET http://radio.test:8000/live?proxy-check=1 HTTP/1.0\r\nHost: 127.0.0.1\r\n"),
              std::string::npos)
        << recorded;
    std::wstring proxy;
    EXPECT_TRUE(reader.GetProxy(proxy));
}

TEST_F(NetStreamReaderTest, RedirectToAnotherPortKeepsTheUrl) {
    IcyServer other({"--name", "Other Station"});
    ASSERT_TRUE(other.Started());
    NetStreamReader reader;
    std::string query = "/start?redirect=" + other.Url("/moved");
    ASSERT_TRUE(OpenAt(reader, query));
    std::wstring name;
    EXPECT_TRUE(reader.GetStreamInfo(&name, nullptr, nullptr));
    EXPECT_EQ(name, L"Other Station");
    EXPECT_EQ(reader.GetUrl(), server_->WideUrl(query));
    EXPECT_NE(other.Recorded().find("GET /moved HTTP/1.0\r\n"), std::string::npos);
    bool ok = false;
    EXPECT_EQ(ReadBytes(reader, 5000, &ok), FileBytes().substr(0, 5000));
    EXPECT_TRUE(ok);
}

TEST_F(NetStreamReaderTest, StationHeaders) {
    struct Row {
        const char* station;
        bool has;
        const wchar_t* name;
        const wchar_t* genre;
    } rows[] = {
        {"icy", true, L"Test Radio", L"Test"},
        {"ice", true, L"Test Radio", L"Test"},
        {"both", true, L"ICE Test Radio", L"ICE Test"},
        {"none", false, L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.station);
        NetStreamReader reader;
        ASSERT_TRUE(OpenAt(reader, std::string("/?station=") + row.station));
        EXPECT_EQ(reader.HasStationHeaders(), row.has);
        std::wstring name = L"?", genre = L"?", url = L"?";
        EXPECT_EQ(reader.GetStreamInfo(&name, &genre, &url), row.has);
        if (row.has) {
            EXPECT_EQ(name, row.name);
            EXPECT_EQ(genre, row.genre);
        }
        reader.Reset();
        EXPECT_FALSE(reader.GetStreamInfo(&name, &genre, &url));
        EXPECT_EQ(reader.GetUrl(), L"");
    }
}

// Metadata every 16000 bytes, each block sent in two pieces, kinds cycling through a title, an
// empty block and a longest (4081-byte) block; the server closes after 100000 audio bytes.
TEST_F(NetStreamReaderTest, MetadataNeverReachesTheAudio) {
    NetStreamReader reader;
    MessageQueue queue;
    reader.SetNotifyWindow(&queue);
    ASSERT_TRUE(OpenAt(reader,
                       "/?metaint=16000&split-meta=1&chunk=1000&meta=title,empty,max"
                       "&title=Artist%20-%20Song&title=&close-after=100000"));
    bool ok = true;
    std::string audio = ReadBytes(reader, 100001, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(reader.IsEndOfStream());
    ASSERT_EQ(audio.size(), 100000u);
    EXPECT_TRUE(audio == test::LoopedBytes(FileBytes(), 100000)) << "audio differs from the file";

    // Blocks after 16000 .. 96000 bytes: title, empty, max, title, empty, max; the titles
    // alternate between "Artist - Song" and "".
    std::vector<std::wstring> titles;
    Message m;
    while (queue.Get(m, 0)) {
        ASSERT_EQ(m.message, WM_ENGINE_TITLE);
        titles.push_back(reinterpret_cast<const wchar_t*>(m.wParam));
    }
    EXPECT_EQ(titles.size(), 4u);
    if (!titles.empty()) {
        EXPECT_EQ(titles.back(), L"");
    }
    std::wstring title = L"?";
    EXPECT_TRUE(reader.GetStreamTitle(title));
    EXPECT_EQ(title, L"");
}

TEST_F(NetStreamReaderTest, ServerClosesAfter3000Bytes) {
    NetStreamReader reader;
    ASSERT_TRUE(OpenAt(reader, "/?close-after=3000"));
    ASSERT_TRUE(test::WaitUntil([&] { return !reader.HasSocket(); }));
    EXPECT_TRUE(reader.IsEndOfStream());
    EXPECT_EQ(reader.GetFilledBlocks(), 2);
    std::string file = FileBytes();
    EXPECT_EQ(ReadBytes(reader, 2047), file.substr(0, 2047));
    EXPECT_EQ(reader.GetFilledBlocks(), 2);  // the first block holds a whole 2048 bytes
    EXPECT_EQ(ReadBytes(reader, 1), file.substr(2047, 1));
    EXPECT_EQ(reader.GetFilledBlocks(), 1);
    bool ok = true;
    EXPECT_EQ(ReadBytes(reader, 1000, &ok), file.substr(2048, 952));
    EXPECT_FALSE(ok);
    uint32_t total = 1, filled = 1;
    EXPECT_EQ(reader.GetBufferState(total, filled), 0);
}

TEST_F(NetStreamReaderTest, BufferSettingsWhileOpen) {
    NetStreamReader reader;
    ASSERT_TRUE(reader.SetBufferBlocks(4));
    ASSERT_TRUE(OpenAt(reader, "/?pace=1"));
    EXPECT_FALSE(reader.SetBufferBlocks(8));
    EXPECT_EQ(reader.GetBufferBlocks(), 4);
    uint32_t total = 0, filled = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return reader.GetFilledBlocks() > 0; }));
    EXPECT_GT(reader.GetBufferState(total, filled), 0);
    EXPECT_EQ(total, 4u * kStreamBlockSize);
    reader.Close();
    EXPECT_TRUE(reader.SetBufferBlocks(8));
}

// Runs call on another thread, asks the reader to stop after 300 ms and returns how long the
// call took to come back after that.
long StopDuring(NetStreamReader& reader, const std::function<void()>& call) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        call();
        done = true;
    });
    Sleep(300);
    EXPECT_FALSE(done.load()) << "returned before the stop";
    auto stop = Clock::now();
    reader.RequestStop();
    while (!done && ElapsedMs(stop) < 10000) Sleep(5);
    long ms = ElapsedMs(stop);
    worker.join();
    return ms;
}

TEST_F(NetStreamReaderTest, StopDuringConnect) {
    // A listener whose backlog is full drops further connection attempts: the connect hangs.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    socklen_t size = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(f, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        fillers.push_back(f);
    }
    Sleep(100);

    NetStreamReader reader;
    ASSERT_TRUE(reader.SetUrl(L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port)) + L"/"));
    bool opened = true;
    long ms = StopDuring(reader, [&] { opened = reader.Open(); });
    EXPECT_FALSE(opened);
    EXPECT_LT(ms, 500);
    for (int f : fillers) close(f);
    close(listener);
}

TEST_F(NetStreamReaderTest, StopDuringHead) {
    for (const char* query : {"/?silent=1", "/?trickle-ms=400"}) {
        SCOPED_TRACE(query);
        NetStreamReader reader;
        ASSERT_TRUE(reader.SetUrl(server_->WideUrl(query)));
        bool opened = true;
        long ms = StopDuring(reader, [&] { opened = reader.Open(); });
        EXPECT_FALSE(opened);
        EXPECT_LT(ms, 500);
    }
}

TEST_F(NetStreamReaderTest, AHeadTricklingForeverFailsWithinItsTimeLimit) {
    NetStreamReader reader;
    auto start = Clock::now();
    EXPECT_FALSE(OpenAt(reader, "/?trickle-ms=1000"));  // a byte a second, each within the idle limit
    long ms = ElapsedMs(start);
    EXPECT_GE(ms, 14000);
    EXPECT_LT(ms, 30000);
    EXPECT_FALSE(reader.HasSocket());
}

TEST_F(NetStreamReaderTest, StopDuringStall) {
    NetStreamReader reader;
    ASSERT_TRUE(OpenAt(reader, "/?stall-after=5000&stall=10"));
    EXPECT_EQ(ReadBytes(reader, 4096), FileBytes().substr(0, 4096));
    bool ok = true;
    std::string rest;
    long ms = StopDuring(reader, [&] { rest = ReadBytes(reader, 1000, &ok); });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(rest.empty());
    EXPECT_LT(ms, 500);
    EXPECT_FALSE(reader.HasSocket());
    EXPECT_FALSE(reader.IsEndOfStream());
}

TEST_F(NetStreamReaderTest, CloseWakesAWaitingRead) {
    NetStreamReader reader;
    ASSERT_TRUE(OpenAt(reader, "/?stall-after=0&stall=10"));
    bool ok = true;
    std::thread worker([&] { ReadBytes(reader, 100, &ok); });
    Sleep(200);
    auto start = Clock::now();
    reader.Close();
    worker.join();
    EXPECT_FALSE(ok);
    EXPECT_LT(ElapsedMs(start), 500);
}

}  // namespace
}  // namespace vl
