// versolune-lyricsd: what it indexes, how it ranks, the player's protocol and the JSON
// endpoints, against the real program on 127.0.0.1.
#include <gtest/gtest.h>
#include <httplib.h>

#include <crypt.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <thread>
#include <tuple>

#include "lyricsd/catalogue.h"
#include "lyricsd/indexer.h"
#include "lyricsd/text_fold.h"
#include "platform/text.h"
#include "support/lyrics_service.h"
#include "support/test_support.h"

namespace vl {
namespace {

using lyricsd::FoldedKey;
using test::LyricsService;

// The player's escaping of a query value: letters stay, every other byte becomes %XX.
std::string Escape(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

struct Answer {
    int status = 0;
    std::string body;
};

Answer Get(const LyricsService& service, const std::string& target) {
    httplib::Client client("127.0.0.1", service.Port());
    client.set_read_timeout(20, 0);
    auto res = client.Get(target.c_str());
    if (!res) return Answer{-1, ""};
    return Answer{res->status, res->body};
}

// The search request the player sends, and the answer's lines.
std::vector<std::string> Search(const LyricsService& service, const std::string& singer, const std::string& title,
                                const std::string& extra = "&count=15") {
    Answer a = Get(service, "/search?singer=" + Escape(singer) + "&title=" + Escape(title) + "&lang=ENG&user=&pass=" + extra);
    EXPECT_EQ(a.status, 200) << a.body;
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < a.body.size()) {
        size_t end = a.body.find("\r\n", pos);
        if (end == std::string::npos) end = a.body.size();
        lines.push_back(a.body.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// "singer`song" of each line, without the address.
std::vector<std::string> Hits(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(line.substr(0, line.rfind('`')));
    return out;
}

std::string Address(const std::string& line) { return line.substr(line.rfind('`') + 1); }

bool WaitFor(const std::function<bool()>& done, int seconds = 20) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string Lrc(const std::string& singer, const std::string& title, const std::string& lines = "[00:01.00]la\n") {
    return "[ar:" + singer + "]\n[ti:" + title + "]\n" + lines;
}

TEST(LyricsdIndexing, NamesComeFromTagsThenAudioThenFileName) {
    std::string dir = test::TempDir();
    std::string id3 = test::ReadFile(test::SourceDir() + "/tests/fixtures/id3v1.mp3");
    ASSERT_FALSE(id3.empty());
    struct Row {
        const char* name;
        std::string lrc;
        bool withAudio;
        const wchar_t *singer, *title, *album;
        double duration;
    };
    const Row rows[] = {
        {"tags.lrc", "[ar: Singer ]\n[ti:Song]\n[al:Album]\n[length:03:25]\n[00:01]x", true, L"Singer", L"Song", L"Album", 205},
        {"audio.lrc", "[00:01]x", true, L"Tagged Artist", L"Tagged Title", L"An Album", -1},
        {"title only.lrc", "[ti:Own Title]\n[00:01]x", true, L"Tagged Artist", L"Own Title", L"An Album", -1},
        {"Name Singer - Name Song.lrc", "[00:01]x", false, L"Name Singer", L"Name Song", L"", -1},
        {"A - B - C.lrc", "[ar:Tag Singer]", false, L"Tag Singer", L"B - C", L"", -1},
        {"Plain Name.lrc", "", false, L"", L"Plain Name", L"", -1},
    };
    for (const Row& row : rows) {
        std::string path = dir + "/" + row.name;
        ASSERT_TRUE(test::WriteFile(path, row.lrc));
        if (row.withAudio) {
            ASSERT_TRUE(test::WriteFile(path.substr(0, path.size() - 4) + ".mp3", id3));
        }
        lyricsd::SongRecord r;
        ASSERT_TRUE(lyricsd::DescribeLyricFile(path, r)) << row.name;
        EXPECT_EQ(r.singer, row.singer) << row.name;
        EXPECT_EQ(r.title, row.title) << row.name;
        EXPECT_EQ(r.album, row.album) << row.name;
        EXPECT_DOUBLE_EQ(r.duration, row.duration) << row.name;
    }
    lyricsd::SongRecord r;
    EXPECT_FALSE(lyricsd::DescribeLyricFile(dir + "/missing.lrc", r));
    EXPECT_FALSE(lyricsd::DescribeLyricFile(dir, r));
}

TEST(LyricsdIndexing, FoldingDropsCaseAndAccents) {
    struct Row {
        const wchar_t *in, *key;
    };
    for (Row row : {Row{L"Frère  JACQUES!", L"frere jacques"}, Row{L"Straße, Œuvre", L"strasse oeuvre"},
                    Row{L"Łódź – Ångström", L"lodz angstrom"}, Row{L"e\u0301te\u0301", L"ete"},
                    Row{L"日本 の歌", L"日本 の歌"}, Row{L"...", L""}})
        EXPECT_EQ(FoldedKey(row.in), row.key) << WideToUtf8(row.in);
}

// A catalogue large enough that the count cuts every tier: the answer must be the first hits of
// the whole order (tier, the singer's songs, title, singer, id), whatever shortcut the search takes.
TEST(LyricsdCatalogue, SearchGivesTheFirstHitsOfTheWholeOrder) {
    lyricsd::Catalogue catalogue;
    std::string error;
    ASSERT_TRUE(catalogue.Open(test::TempDir() + "/index.sqlite", true, &error)) << error;
    const std::vector<std::wstring> words = {L"rain", L"Rainbow", L"road", L"RIVER", L"red", L"Frère", L"日本", L"日"};
    const std::vector<std::wstring> singers = {L"Ann", L"Bob Ann", L"ann lee", L"Cat", L"日本"};
    std::mt19937 random(5);
    std::vector<lyricsd::SongRecord> songs;
    ASSERT_TRUE(catalogue.Begin());
    for (int i = 0; i < 400; ++i) {
        lyricsd::SongRecord r;
        r.path = "/lib/" + std::to_string(i) + ".lrc";
        for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
            r.title += (r.title.empty() ? L"" : L" ") + words[random() % words.size()];
        r.singer = singers[random() % singers.size()];
        ASSERT_TRUE(catalogue.Put(r, "/lib"));
        songs.push_back(r);
    }
    ASSERT_TRUE(catalogue.Commit());
    // Ids in the order of the definition, from every song (the fresh index numbers them from 1).
    auto expected = [&](const std::wstring& singer, const std::wstring& title, size_t limit) {
        const std::wstring key = FoldedKey(title), own = FoldedKey(singer);
        const std::vector<std::wstring> want = lyricsd::FoldedWords(title);
        std::vector<std::tuple<int, int, std::string, std::string, int64_t>> hits;
        for (size_t i = 0; i < songs.size(); ++i) {
            const std::wstring t = FoldedKey(songs[i].title), s = FoldedKey(songs[i].singer);
            const std::vector<std::wstring> has = lyricsd::FoldedWords(t);
            bool all = true;
            for (size_t w = 0; w < want.size(); ++w) {
                bool prefix = w + 1 == want.size();  // the last word may be the start of one
                all = all && std::any_of(has.begin(), has.end(), [&](const std::wstring& h) {
                          return prefix ? h.compare(0, want[w].size(), want[w]) == 0 : h == want[w];
                      });
            }
            if (!all) continue;
            int tier = t == key ? 0 : t.compare(0, key.size(), key) == 0 ? 1 : 2;
            bool ofSinger = !own.empty() && (L" " + s + L" ").find(L" " + own + L" ") != std::wstring::npos;
            hits.emplace_back(tier, ofSinger ? 0 : 1, WideToUtf8(t), WideToUtf8(s), static_cast<int64_t>(i + 1));
        }
        std::sort(hits.begin(), hits.end());
        std::vector<int64_t> ids;
        for (size_t i = 0; i < hits.size() && i < limit; ++i) ids.push_back(std::get<4>(hits[i]));
        return ids;
    };
    size_t nonEmpty = 0;
    for (const wchar_t* singer : {L"", L"ann", L"BOB", L"日本"}) {
        for (const wchar_t* title :
             {L"rain", L"RA", L"r", L"rain road", L"road rain", L"river r", L"frere", L"日", L"red red red"}) {
            for (size_t limit : {1, 4, 30, 1000}) {
                std::vector<int64_t> ids;
                lyricsd::SearchQuery query{title, singer, false};
                for (const lyricsd::SongRecord& r : catalogue.Search(query, static_cast<int>(limit))) ids.push_back(r.id);
                EXPECT_EQ(ids, expected(singer, title, limit))
                    << WideToUtf8(singer) << " / " << WideToUtf8(title) << " / " << limit;
                nonEmpty += !ids.empty();
            }
        }
    }
    EXPECT_GT(nonEmpty, 100u);
}

class LyricsdTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = test::TempDir();
        const std::pair<const char*, std::string> files[] = {
            {"a.lrc", Lrc("The Beatles", "Yesterday")},
            {"b.lrc", Lrc("Carpenters", "Yesterday Once More")},
            {"c.lrc", Lrc("Someone", "Yesterday")},
            {"d.lrc", Lrc("The Beatles", "All My Loving Yesterday")},
            {"e.lrc", Lrc("Versolune", "Fr\xC3\xA8re Jacques")},
            {"sub/f.lrc", Lrc("Carpenters", "Close to You")},
            {"sub/deeper/g.lrc", Lrc("Odd`Singer", "Yesterday`s Gone")},
        };
        mkdir((library_ + "/sub").c_str(), 0755);
        mkdir((library_ + "/sub/deeper").c_str(), 0755);
        for (const auto& f : files) ASSERT_TRUE(test::WriteFile(library_ + "/" + f.first, f.second));
        secret_ = test::TempDir() + "/secret.txt";
        ASSERT_TRUE(test::WriteFile(secret_, "not lyrics"));
    }
    std::string library_, secret_;
};

TEST_F(LyricsdTest, BootstrapSearchAndDownload) {
    LyricsService service(library_);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    EXPECT_EQ(service.FirstLine(), "listening on " + service.Url());
    Answer boot = Get(service, "/songsearch.htm");
    EXPECT_EQ(boot.status, 200);
    EXPECT_EQ(boot.body, service.Url("/search")) << "the whole body is the address: no line end";

    std::vector<std::string> lines = Search(service, "", "Fr\xC3\xA8re Jacques");
    ASSERT_EQ(Hits(lines), std::vector<std::string>{"Versolune`Fr\xC3\xA8re Jacques"});
    std::string address = Address(lines[0]);
    ASSERT_EQ(address.compare(0, service.Url("/lrc/").size(), service.Url("/lrc/")), 0) << address;
    Answer file = Get(service, address.substr(service.Url().size()));
    EXPECT_EQ(file.status, 200);
    EXPECT_EQ(file.body, Lrc("Versolune", "Fr\xC3\xA8re Jacques"));

    // A grave accent in a name would split the line: it is written as an apostrophe.
    EXPECT_EQ(Hits(Search(service, "", "gone")), std::vector<std::string>{"Odd'Singer`Yesterday's Gone"});

    LyricsService published(library_, {"--public-url", "http://lyrics.example:9/base/"});
    ASSERT_TRUE(published.Started());
    EXPECT_EQ(Get(published, "/songsearch.htm").body, "http://lyrics.example:9/base/search");
    std::vector<std::string> far = Search(published, "", "close to you");
    ASSERT_EQ(far.size(), 1u);
    EXPECT_EQ(Address(far[0]).compare(0, 30, "http://lyrics.example:9/base/l"), 0) << far[0];
}

TEST_F(LyricsdTest, RankingByTierThenSinger) {
    LyricsService service(library_);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    struct Row {
        const char *singer, *title;
        std::vector<std::string> hits;
    };
    const Row rows[] = {
        // exact titles, then titles that begin with it, then those that contain its words
        {"", "yesterday",
         {"Someone`Yesterday", "The Beatles`Yesterday", "Carpenters`Yesterday Once More",
          "Odd'Singer`Yesterday's Gone", "The Beatles`All My Loving Yesterday"}},
        // within a tier the singer's songs come first
        {"the beatles", "YESTERDAY",
         {"The Beatles`Yesterday", "Someone`Yesterday", "Carpenters`Yesterday Once More",
          "Odd'Singer`Yesterday's Gone", "The Beatles`All My Loving Yesterday"}},
        {"Beatles", "yesterday once", {"Carpenters`Yesterday Once More"}},
        {"", "yester",
         {"Someone`Yesterday", "The Beatles`Yesterday", "Carpenters`Yesterday Once More",
          "Odd'Singer`Yesterday's Gone", "The Beatles`All My Loving Yesterday"}},
        {"", "loving all", {"The Beatles`All My Loving Yesterday"}},
        // case and accents folded, in the query and in the index
        {"VERSOLUNE", "frere jacques", {"Versolune`Fr\xC3\xA8re Jacques"}},
        {"", "FR\xC3\x88RE", {"Versolune`Fr\xC3\xA8re Jacques"}},
        {"", "nothing like it", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(Hits(Search(service, row.singer, row.title)), row.hits) << row.title;
}

TEST_F(LyricsdTest, CountLimitsTheLines) {
    LyricsService service(library_);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    EXPECT_EQ(Search(service, "", "yesterday", "&count=2").size(), 2u);
    EXPECT_EQ(Search(service, "", "yesterday", "&count=0").size(), 0u);
    EXPECT_EQ(Search(service, "", "yesterday", "").size(), 5u);
    EXPECT_EQ(Search(service, "", "yesterday", "&count=999999").size(), 5u);
}

TEST_F(LyricsdTest, JsonEndpoints) {
    LyricsService service(library_);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    ASSERT_TRUE(test::WriteFile(library_ + "/h.lrc",
                                "[ar:Quote \"Me\"]\n[ti:Json Song]\n[al:Disc]\n[length:2:05]\n[00:01.00]one\n[00:02.00]two\\n"));
    ASSERT_TRUE(WaitFor([&] { return Get(service, "/api/search?q=json").body.size() > 2; }));

    Answer search = Get(service, "/api/search?q=quote%20json");
    EXPECT_EQ(search.status, 200);
    const std::string record =
        "\"trackName\":\"Json Song\",\"artistName\":\"Quote \\\"Me\\\"\",\"albumName\":\"Disc\",\"duration\":125.000,"
        "\"instrumental\":false,\"plainLyrics\":\"one\\ntwo\\\\n\",\"syncedLyrics\":\"[ar:Quote \\\"Me\\\"]\\n[ti:Json "
        "Song]\\n[al:Disc]\\n[length:2:05]\\n[00:01.00]one\\n[00:02.00]two\\\\n\"}";
    ASSERT_NE(search.body.find(record), std::string::npos) << search.body;
    size_t idAt = search.body.find("{\"id\":") + 6;
    std::string id = search.body.substr(idAt, search.body.find(',', idAt) - idAt);

    struct Row {
        std::string target;
        int status;
        bool found;
    };
    const Row rows[] = {
        {"/api/get/" + id, 200, true},
        {"/api/get?track_name=json%20song&artist_name=QUOTE%20%22me%22", 200, true},
        {"/api/get?track_name=Json+Song&artist_name=Quote+%22Me%22&album_name=Disc&duration=126", 200, true},
        {"/api/get?track_name=Json+Song&artist_name=Quote+%22Me%22&duration=200", 404, false},
        {"/api/get?track_name=Json+Song&artist_name=Quote+%22Me%22&album_name=Other", 404, false},
        {"/api/get?track_name=Json&artist_name=Quote+%22Me%22", 404, false},
        {"/api/get?track_name=Json+Song", 400, false},
        {"/api/get?track_name=Json+Song&artist_name=x&duration=abc", 400, false},
        {"/api/get/999999", 404, false},
        {"/api/search?track_name=json&artist_name=nobody", 200, true},
        {"/api/search?q=%21%21", 400, false},
    };
    for (const Row& row : rows) {
        Answer a = Get(service, row.target);
        EXPECT_EQ(a.status, row.status) << row.target << " " << a.body;
        EXPECT_EQ(a.body.find(record) != std::string::npos, row.found) << row.target << " " << a.body;
    }
}

TEST_F(LyricsdTest, OnlyIndexedFilesAreServed) {
    symlink(secret_.c_str(), (library_ + "/secret.lrc").c_str());  // a link to a file outside is still a lyric file
    LyricsService service(library_);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    const std::string targets[] = {
        "/lrc/../../../../../../.." + secret_,
        "/lrc/%2e%2e%2f%2e%2e%2f%2e%2e" + secret_,
        "/lrc/..%2F..%2F..%2F..%2Fetc%2Fpasswd",
        "/lrc/" + secret_,
        "/lrc//etc/passwd",
        "/lrc/0123456789abcdef.lrc",
        "/lrc/a.lrc",
        "/" + secret_,
        "/search/../" + secret_,
    };
    for (const std::string& target : targets) {
        Answer a = Get(service, target);
        EXPECT_GE(a.status, 400) << target;
        EXPECT_LT(a.status, 500) << target;
        EXPECT_EQ(a.body.find("not lyrics"), std::string::npos) << target;
    }
    // The linked file was indexed as a lyric file and is served by its own address only.
    std::vector<std::string> hits = Search(service, "", "secret");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(Get(service, Address(hits[0]).substr(service.Url().size())).body, "not lyrics");
}

TEST_F(LyricsdTest, BadInputGetsA4xxAndTheServiceGoesOn) {
    LyricsService service(library_);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    const std::string targets[] = {
        "/search?title=%zz",
        "/search?title=a%0",
        "/search?title=a%00b",
        "/search?singer=x",
        "/search?title=%21%21",
        "/search?title=yesterday&count=abc",
        "/search?title=yesterday&count=-1",
        "/search?title=" + std::string(2000, 'a'),
        "/search?title=a" + std::string(40, '&') + "&a=1&b=1&c=1&d=1&e=1&f=1&g=1&h=1&i=1&j=1&k=1&l=1&m=1&n=1&o=1&p=1"
                                                   "&q=1&r=1&s=1&t=1&u=1&v=1&w=1&x=1&y=1&z=1&A=1&B=1&C=1&D=1&E=1&F=1",
        "/search?title=" + std::string(9000, 'a'),
        "/nothing-here",
    };
    for (const std::string& target : targets) {
        Answer a = Get(service, target);
        EXPECT_GE(a.status, 400) << target.substr(0, 80);
        EXPECT_LT(a.status, 500) << target.substr(0, 80);
    }
    // The Host header becomes part of the answered address: only a plain host name passes.
    httplib::Client client("127.0.0.1", service.Port());
    auto bad = client.Get("/songsearch.htm", httplib::Headers{{"Host", "evil.example/x?"}});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    auto named = client.Get("/songsearch.htm", httplib::Headers{{"Host", "lyrics.lan:8731"}});
    ASSERT_TRUE(named);
    EXPECT_EQ(named->body, "http://lyrics.lan:8731/search");
    EXPECT_EQ(Search(service, "", "close to you").size(), 1u);
}

TEST_F(LyricsdTest, UsersFileMakesUserAndPassRequired) {
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    ASSERT_NE(crypt_gensalt_rn("$y$", 0, nullptr, 0, salt, sizeof(salt)), nullptr);
    crypt_data data{};
    const char* hash = crypt_r("open sesame", salt, &data);
    ASSERT_NE(hash, nullptr);
    std::string users = test::TempDir() + "/users";
    ASSERT_TRUE(test::WriteFile(users, std::string("# accounts\nali:") + hash + "\n"));

    LyricsService open(library_);
    LyricsService guarded(library_, {"--users", users});
    ASSERT_TRUE(open.Started() && guarded.Started()) << guarded.FirstLine();
    struct Row {
        const LyricsService& service;
        const char* account;
        int status;
    };
    const Row rows[] = {
        {open, "user=&pass=", 200},
        {open, "user=x&pass=y", 200},
        {guarded, "user=&pass=", 403},
        {guarded, "user=ali&pass=open", 403},
        {guarded, "user=bob&pass=open%20sesame", 403},
        {guarded, "user=ali&pass=open%20sesame", 200},
        {guarded, "user=ali&pass=open%20sesame", 200},  // the remembered pass
        {guarded, "user=ali&pass=open%20sesamE", 403},
    };
    for (const Row& row : rows) {
        Answer a = Get(row.service, std::string("/search?singer=&title=Close%20to%20You&") + row.account);
        EXPECT_EQ(a.status, row.status) << row.account;
        EXPECT_EQ(a.body.find("Close to You") != std::string::npos, row.status == 200) << row.account;
    }
    EXPECT_EQ(Get(guarded, "/api/search?q=close").status, 403);
    EXPECT_EQ(Get(guarded, "/songsearch.htm").status, 200);

    ASSERT_TRUE(test::WriteFile(users, "ali\n"));
    std::string line;
    int pid = test::StartChild({test::BinaryDir() + "/versolune-lyricsd", "--library", library_, "--listen",
                                "127.0.0.1:0", "--db", test::TempDir() + "/x.sqlite", "--users", users},
                               line);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "a bad users file is refused";
}

TEST_F(LyricsdTest, ChangedFilesArePickedUp) {
    const std::vector<std::string> index = {"--db", test::TempDir() + "/kept.sqlite"};
    LyricsService service(library_, index);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    auto titles = [&](const std::string& title) { return Hits(Search(service, "", title)); };
    // A new file, a new folder with a file, a changed file and a removed file.
    ASSERT_TRUE(test::WriteFile(library_ + "/new.lrc", Lrc("Newcomer", "Fresh Song")));
    EXPECT_TRUE(WaitFor([&] { return titles("fresh song") == std::vector<std::string>{"Newcomer`Fresh Song"}; }));
    mkdir((library_ + "/later").c_str(), 0755);
    ASSERT_TRUE(test::WriteFile(library_ + "/later/x.lrc", Lrc("Late", "Arrival")));
    EXPECT_TRUE(WaitFor([&] { return titles("arrival").size() == 1; }));
    ASSERT_TRUE(test::WriteFile(library_ + "/sub/f.lrc", Lrc("Carpenters", "Close to Me")));
    EXPECT_TRUE(WaitFor([&] { return titles("close to").size() == 1 && titles("close to me").size() == 1; }));
    ASSERT_EQ(unlink((library_ + "/e.lrc").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return titles("jacques").empty(); }));
    ASSERT_EQ(std::system(("rm -rf '" + library_ + "/sub'").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return titles("close to me").empty() && titles("gone").empty(); }));

    // A restart over the same index sees what changed while it was away.
    service.Stop();
    ASSERT_TRUE(test::WriteFile(library_ + "/away.lrc", Lrc("Absent", "While Away")));
    LyricsService again(library_, index);
    ASSERT_TRUE(again.Started());
    EXPECT_EQ(Hits(Search(again, "", "while away")), std::vector<std::string>{"Absent`While Away"});
}

}  // namespace
}  // namespace vl
