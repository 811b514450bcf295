// versolune-play --download-lyrics against the scripted lyrics service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lyrics/lyrics_search.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/lyrics_script_server.h"
#include "support/shell_quote.h"
#include "support/test_support.h"
#include "support/wav_file.h"

namespace vl::test {
namespace {

const std::string kNewLyrics = "[00:01.00]new line\n";
const std::string kOldLyrics = "[00:01.00]old line\n";

struct CommandRun {
    std::string out, err;
    int status = -1;
};

class DownloadLyricsCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        Registry::Get(HKEY_CURRENT_USER).Discard();
        served = TempDir();
        WriteFile(served + "/new.lrc", kNewLyrics);
        music = TempDir();
        WriteFile(music + "/tagged.mp3", ReadFile(SourceDir() + "/tests/fixtures/id3v1.mp3"));
        WriteWav(music + "/Plain Song 2.wav", MakeTone(8000, 1, 0.1));
        WriteWav(music + "/kept.wav", MakeTone(8000, 1, 0.1));
        WriteFile(music + "/kept.lrc", kOldLyrics);
    }
    void TearDown() override { Registry::Get(HKEY_CURRENT_USER).Discard(); }

    CommandRun Download(const std::string& options, const std::vector<std::string>& paths) {
        CommandRun run;
        std::string command = ShellQuote(BinaryDir() + "/versolune-play") + " --download-lyrics " + options;
        for (const std::string& p : paths) command += " " + ShellQuote(p);
        std::string errPath = TempDir() + "/err";
        run.out = CaptureCommand(command + " 2>" + ShellQuote(errPath), &run.status);
        run.err = ReadFile(errPath);
        return run;
    }

    std::string home, served, music;
};

TEST_F(DownloadLyricsCommandTest, FillsAFolderFromTheServiceOfTheSettings) {
    LyricsScriptServer server("Someone`Some song`{base}/files/new.lrc\n", served);
    ASSERT_TRUE(server.Started());
    LyricsAccount account;
    account.server = server.WideUrl("");
    ASSERT_TRUE(SaveLyricsAccount(account));
    std::string settings = ReadFile(home + "/HKEY_CURRENT_USER.reg");

    CommandRun run = Download("", {music});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("kept " + music + "/kept.lrc\nlyrics " + music + "/Plain Song 2.lrc\nlyrics " + music + "/tagged.lrc\n",
              run.out);
    EXPECT_EQ(kNewLyrics, ReadFile(music + "/Plain Song 2.lrc"));
    EXPECT_EQ(kNewLyrics, ReadFile(music + "/tagged.lrc"));
    EXPECT_EQ(kOldLyrics, ReadFile(music + "/kept.lrc"));
    // One bootstrap for the run; titles from the tags, else from the file name.
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(5u, requests.size());
    EXPECT_EQ(0u, requests[0].find("GET /songsearch.htm "));
    EXPECT_EQ(0u, requests[1].find("GET /search?singer=&title=Plain%20Song%20%32&lang=ENG&user=&pass=&count=15 "));
    EXPECT_EQ(0u, requests[2].find("GET /files/new.lrc "));
    EXPECT_EQ(0u, requests[3].find("GET /search?singer=Tagged%20Artist&title=Tagged%20Title&lang=ENG&"));
    EXPECT_EQ(0u, requests[4].find("GET /files/new.lrc "));
    // The search address is not kept.
    EXPECT_EQ(settings, ReadFile(home + "/HKEY_CURRENT_USER.reg"));
}

TEST_F(DownloadLyricsCommandTest, FilesWithoutLyricsAreNamedAndFailTheRun) {
    int closedPort;
    {
        LyricsScriptServer gone("", served);
        closedPort = gone.Port();
    }
    struct Case {
        const char* name;
        std::string answer;
        bool reachable;
        std::string options;
        std::string file;
    } cases[] = {
        {"cut download", "A`B`{base}/files/new.lrc?cut=5\n", true, "--replace", "kept.wav"},
        {"no hit", "\n", true, "--replace", "kept.wav"},
        {"no service", "", false, "", "tagged.mp3"},
    };
    for (const Case& c : cases) {
        LyricsScriptServer server(c.answer, served);
        ASSERT_TRUE(server.Started());
        std::string url = c.reachable ? server.Url("") : "http://127.0.0.1:" + std::to_string(closedPort);
        CommandRun run = Download("--lyrics-server " + url + " " + c.options, {music + "/" + c.file});
        EXPECT_EQ(1, run.status) << c.name;
        EXPECT_EQ("no-lyrics " + music + "/" + c.file + "\n", run.out) << c.name;
        EXPECT_NE(std::string::npos, run.err.find(c.file)) << c.name << ": " << run.err;
        EXPECT_EQ(kOldLyrics, ReadFile(music + "/kept.lrc")) << c.name;
    }
    EXPECT_FALSE(FileExists(WidePath(music + "/tagged.lrc")));
}

}  // namespace
}  // namespace vl::test
