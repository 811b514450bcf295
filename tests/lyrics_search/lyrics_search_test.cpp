// The lyrics service client without a window: escaping, the request, the answer, and the
// requests against the scripted service (tools/lyrics_server.py) as it misbehaves.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "lyrics/lyrics_search.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/lyrics_script_server.h"
#include "support/test_support.h"

namespace vl::test {
namespace {

constexpr char kAgent[] = "\tVersolune (WindowsCE)";
const std::string kOldLyrics = "[00:01.00]old line\n";

std::wstring W(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Hits(const std::vector<LyricsHit>& hits) {
    std::string out;
    for (const LyricsHit& h : hits)
        out += (out.empty() ? "" : ";") + WideToUtf8(h.singer) + "|" + WideToUtf8(h.song) + "|" + WideToUtf8(h.address);
    return out;
}

class CodePage {
public:
    explicit CodePage(const char* name) { SetAnsiCodePage(name); }
    ~CodePage() { SetAnsiCodePage(""); }
};

TEST(LyricsQueryText, EscapesEveryByteButAsciiLetters) {
    struct Case {
        const char* codePage;
        std::wstring value;
        std::wstring escaped;
    } cases[] = {
        {"UTF-8", L"Yesterday", L"Yesterday"},
        {"UTF-8", L"Yesterday 2", L"Yesterday%20%32"},
        {"UTF-8", L"", L""},
        {"UTF-8", L"AC/DC & co.", L"AC%2FDC%20%26%20co%2E"},
        {"UTF-8", L"Frère", L"Fr%C3%A8re"},
        {"ISO-8859-1", L"Frère", L"Fr%E8re"},
        {"UTF-8", L"日本", L"%E6%97%A5%E6%9C%AC"},
        // The bound: 259 bytes, cut before a character whose escapes would pass it.
        {"UTF-8", std::wstring(300, L'a'), std::wstring(259, L'a')},
        {"UTF-8", L"aa" + std::wstring(100, L'é'), [] {
             std::wstring out = L"aa";
             for (int i = 0; i < 42; ++i) out += L"%C3%A9";
             return out;
         }()},
    };
    for (const Case& c : cases) {
        CodePage page(c.codePage);
        EXPECT_EQ(c.escaped, EscapeQueryValue(c.value)) << c.codePage << " " << WideToUtf8(c.value);
    }
}

TEST(LyricsQueryText, RequestCarriesEveryKeyAndIsNotSentPastItsBound) {
    CodePage page("UTF-8");
    LyricsAccount account;
    account.user = L"me";
    account.pass = L"p&ss word";
    EXPECT_EQ(L"http://h/s?singer=&title=Yesterday%20%32&lang=ENG&user=me&pass=p%26ss%20word&count=15",
              BuildSearchRequest(L"http://h/s", L"", L"Yesterday 2", account));

    // The request without the address is 71 characters long here.
    account = LyricsAccount();
    size_t rest = BuildSearchRequest(L"", L"ab", L"cd", account).size();
    std::wstring fits(kMaxSearchRequestChars - rest, L'x');
    EXPECT_EQ(kMaxSearchRequestChars, BuildSearchRequest(fits, L"ab", L"cd", account).size());
    EXPECT_EQ(L"", BuildSearchRequest(fits + L"x", L"ab", L"cd", account));
}

TEST(LyricsAnswer, SplitsLinesAndAccents) {
    struct Case {
        std::string body;
        std::string hits;
    } cases[] = {
        {"A`B`http://x/1\r\nC`D`http://x/2", "A|B|http://x/1;C|D|http://x/2"},
        {"A`B`u1\nC`D`u2\n", "A|B|u1;C|D|u2"},
        {"A`B`u1\rC`D`u2", "A|B|u1;C|D|u2"},
        {"\r\n\r\nA`B`u1\n\n\nC`D`u2\r\r", "A|B|u1;C|D|u2"},
        {"no accents\nA`only one\nA`B`u", "A|B|u"},
        {"A`B`http://x/a`b`c", "A|B|http://x/a`b`c"},
        {"A`B`", "A|B|"},
        {"``", "||"},
        {"", ""},
        {"\r\n\n\r", ""},
        // A line is cut at 1023 characters before it is split.
        {std::string(1100, 'a') + "`B`u", ""},
        {std::string(1019, 'a') + "`B`u", std::string(1019, 'a') + "|B|u"},
        {std::string(1019, 'a') + "`B`uv", std::string(1019, 'a') + "|B|u"},
    };
    CodePage page("UTF-8");
    for (const Case& c : cases) EXPECT_EQ(c.hits, Hits(ParseSearchAnswer(c.body))) << c.body.substr(0, 40);

    // Bytes that are no text in the code page still give the hit.
    std::vector<LyricsHit> garbage = ParseSearchAnswer(std::string("\xff\x01`\0x`\xfe", 7));
    ASSERT_EQ(1u, garbage.size());
    EXPECT_EQ(L"\uFFFD\x01", garbage[0].singer);
}

class LyricsClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        Registry::Get(HKEY_CURRENT_USER).Discard();
        files = TempDir();
        WriteFile(files + "/new.lrc", std::string(1000, 'n'));
    }
    void TearDown() override { Registry::Get(HKEY_CURRENT_USER).Discard(); }

    LyricsAccount AccountFor(const LyricsScriptServer& server) {
        LyricsAccount account;
        account.server = server.WideUrl("");
        return account;
    }

    std::string home, files;
    CodePage page{"UTF-8"};
};

TEST_F(LyricsClientTest, FirstSearchAsksTheBootstrapPageThenOnlySearches) {
    // A proxy in the environment is not used: the connection is direct.
    setenv("http_proxy", "http://127.0.0.1:9", 1);
    LyricsScriptServer server("Beatles`Yesterday`{base}/files/new.lrc\nCover`Yesterday 2`{base}/files/b.lrc\n", files);
    ASSERT_TRUE(server.Started());
    LyricsSearchClient client;
    std::wstring searchUrl;
    std::vector<LyricsHit> hits;
    EXPECT_EQ(0, client.Search(AccountFor(server), searchUrl, L"", L"Yesterday 2", hits));
    EXPECT_EQ(server.WideUrl("/search"), searchUrl);
    EXPECT_EQ("Beatles|Yesterday|" + server.Url("/files/new.lrc") + ";Cover|Yesterday 2|" + server.Url("/files/b.lrc"),
              Hits(hits));
    EXPECT_EQ(0, client.Search(AccountFor(server), searchUrl, L"The Beatles", L"Yesterday", hits));
    unsetenv("http_proxy");

    std::vector<std::string> expected = {
        std::string("GET /songsearch.htm HTTP/1.1") + kAgent,
        std::string("GET /search?singer=&title=Yesterday%20%32&lang=ENG&user=&pass=&count=15 HTTP/1.1") + kAgent,
        std::string("GET /search?singer=The%20Beatles&title=Yesterday&lang=ENG&user=&pass=&count=15 HTTP/1.1") + kAgent,
    };
    EXPECT_EQ(expected, server.Requests());
}

TEST_F(LyricsClientTest, FailedSearchesTellWhyAndForgetABadSearchAddress) {
    struct Case {
        const char* name;
        std::vector<std::string> rules;
        std::string answer;
        std::string searchUrlBefore;  // "{base}": the server's own
        int result;
        std::string searchUrlAfter;
        size_t requests;
    } cases[] = {
        {"bootstrap 404", {"/songsearch.htm?status=404"}, "A`B`u", "", IDS_LYRICS_NO_CONNECTION, "", 1},
        {"bootstrap empty", {"/songsearch.htm?body="}, "A`B`u", "", IDS_LYRICS_NO_CONNECTION, "", 1},
        {"bootstrap cut", {"/songsearch.htm?cut=5"}, "A`B`u", "", IDS_LYRICS_NO_CONNECTION, "", 1},
        {"search 500", {"/search?status=500"}, "A`B`u", "{base}/search", IDS_LYRICS_NO_CONNECTION, "", 1},
        {"search cut", {"/search?cut=3"}, "A`B`u", "{base}/search", IDS_LYRICS_NO_CONNECTION, "", 1},
        {"no hits", {}, "nothing here\n", "{base}/search", IDS_LYRICS_NO_HITS, "{base}/search", 1},
        {"request too long", {}, "A`B`u", "{base}/search?" + std::string(1000, 'x'), IDS_LYRICS_NO_CONNECTION, "", 0},
    };
    for (const Case& c : cases) {
        LyricsScriptServer server(c.answer, files, c.rules);
        ASSERT_TRUE(server.Started());
        auto base = [&](std::string text) {
            size_t at = text.find("{base}");
            return at == std::string::npos ? text : text.replace(at, 6, server.Url(""));
        };
        LyricsSearchClient client;
        std::wstring searchUrl = W(base(c.searchUrlBefore));
        std::vector<LyricsHit> hits;
        EXPECT_EQ(c.result, client.Search(AccountFor(server), searchUrl, L"", L"T", hits)) << c.name;
        EXPECT_EQ(W(base(c.searchUrlAfter)), searchUrl) << c.name;
        EXPECT_TRUE(hits.empty()) << c.name;
        EXPECT_FALSE(client.LastError().empty()) << c.name;
        EXPECT_EQ(c.requests, server.Requests().size()) << c.name;
    }

    // No server at all, or no address for one.
    int closedPort;
    {
        LyricsScriptServer gone("", files);
        closedPort = gone.Port();
    }
    for (std::wstring server : {L"http://127.0.0.1:" + std::to_wstring(closedPort), std::wstring()}) {
        LyricsAccount account;
        account.server = server;
        std::wstring searchUrl;
        std::vector<LyricsHit> hits;
        EXPECT_EQ(IDS_LYRICS_NO_CONNECTION, LyricsSearchClient().Search(account, searchUrl, L"", L"T", hits));
    }
}

TEST_F(LyricsClientTest, StalledAnswerEndsByTimeOutOrCancel) {
    LyricsScriptServer server("A`B`u", files, {"/search?stall=120"});
    ASSERT_TRUE(server.Started());
    auto started = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };

    LyricsSearchClient timed;
    timed.SetTimeouts(HttpTimeouts{10000, 1500});
    std::wstring searchUrl;
    std::vector<LyricsHit> hits;
    EXPECT_EQ(IDS_LYRICS_NO_CONNECTION, timed.Search(AccountFor(server), searchUrl, L"", L"T", hits));
    EXPECT_NE(std::string::npos, timed.LastError().find("imeout")) << timed.LastError();
    EXPECT_LT(seconds(), 100.0);

    // With the full time-out, Cancel from another thread ends it once the request is out.
    LyricsSearchClient cancelled;
    std::thread canceller([&] {
        while (server.Requests().size() < 4 && seconds() < 60) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        cancelled.Cancel();
    });
    started = std::chrono::steady_clock::now();
    searchUrl.clear();
    EXPECT_EQ(IDS_LYRICS_NO_CONNECTION, cancelled.Search(AccountFor(server), searchUrl, L"", L"T", hits));
    canceller.join();
    EXPECT_TRUE(cancelled.IsCancelled());
    EXPECT_EQ(4u, server.Requests().size());
    EXPECT_LT(seconds(), 25.0);  // well before the 30 s time-out
}

TEST_F(LyricsClientTest, DownloadReplacesTheOldFileOnlyWithAWholeBody) {
    LyricsScriptServer server("", files);
    ASSERT_TRUE(server.Started());
    const std::string newLyrics(1000, 'n');
    struct Case {
        std::string address;  // after the server's address; "-" for none at all
        int result;
        size_t size;  // of the file afterwards (the old one: kOldLyrics)
    } cases[] = {
        {"/files/new.lrc", 0, newLyrics.size()},
        {"/files/new.lrc?cut=100", IDS_LYRICS_NO_CONNECTION, kOldLyrics.size()},
        {"/files/new.lrc?stall=60", IDS_LYRICS_NO_CONNECTION, kOldLyrics.size()},
        {"/files/missing.lrc", IDS_LYRICS_NO_CONNECTION, kOldLyrics.size()},
        {"/files/new.lrc?size=8388608", 0, 8388608},
        {"/files/new.lrc?size=8388609", IDS_LYRICS_NO_CONNECTION, kOldLyrics.size()},
        {"/files/new.lrc?size=20971520", IDS_LYRICS_NO_CONNECTION, kOldLyrics.size()},
        {"-", IDS_LYRICS_NO_CONNECTION, kOldLyrics.size()},
    };
    for (const Case& c : cases) {
        std::string folder = TempDir();
        std::string lrc = folder + "/song.lrc";
        WriteFile(lrc, kOldLyrics);
        LyricsSearchClient client;
        client.SetTimeouts(HttpTimeouts{10000, 2000});
        std::wstring address = c.address == "-" ? std::wstring() : server.WideUrl(c.address);
        EXPECT_EQ(c.result, client.Download(address, WidePath(lrc))) << c.address;
        std::string bytes = ReadFile(lrc);
        EXPECT_EQ(c.size, bytes.size()) << c.address;
        if (c.result == 0 && c.size == newLyrics.size()) {
            EXPECT_EQ(newLyrics, bytes);
        }
        if (c.result != 0) {
            EXPECT_EQ(kOldLyrics, bytes) << c.address;
        }
        // Nothing else is left beside it.
        EXPECT_EQ(1u, ListDirectory(WidePath(folder)).size()) << c.address;
    }

    // No lyric file appears when there was none, and a folder that cannot take one says so.
    std::string folder = TempDir();
    EXPECT_EQ(IDS_LYRICS_NO_CONNECTION, LyricsSearchClient().Download(L"", WidePath(folder + "/a.lrc")));
    EXPECT_EQ(IDS_LYRICS_NO_CONNECTION,
              LyricsSearchClient().Download(server.WideUrl("/files/new.lrc?status=404"), WidePath(folder + "/a.lrc")));
    EXPECT_TRUE(ListDirectory(WidePath(folder)).empty());
    EXPECT_EQ(IDS_LYRICS_CREATE_ERROR,
              LyricsSearchClient().Download(server.WideUrl("/files/new.lrc"), WidePath(folder + "/none/a.lrc")));
}

TEST_F(LyricsClientTest, AccountIsKeptInASettingsFileOnlyItsUserReads) {
    LyricsAccount account;
    LoadLyricsAccount(account);
    EXPECT_EQ(L"http://127.0.0.1:8731", account.server);
    EXPECT_EQ(L"", account.user);

    account = LyricsAccount{L"http://127.0.0.1:1/", L"me", L"s3cret \"pass\""};
    ASSERT_TRUE(SaveLyricsAccount(account));
    Registry::Get(HKEY_CURRENT_USER).Discard();
    LyricsAccount read;
    LoadLyricsAccount(read);
    EXPECT_EQ(account.server, read.server);
    EXPECT_EQ(account.user, read.user);
    EXPECT_EQ(account.pass, read.pass);

    struct stat st;
    ASSERT_EQ(0, stat((home + "/HKEY_CURRENT_USER.reg").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
}

}  // namespace
}  // namespace vl::test
