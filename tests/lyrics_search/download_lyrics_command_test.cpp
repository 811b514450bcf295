// versolune-play --download-lyrics against the scripted lyrics service and the real one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lyrics/lyrics_search.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/lyrics_script_server.h"
#include "support/lyrics_service.h"
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

// A library the real service indexes: the tagged file's song by its singer, and the same title
// by another singer, which must rank after it.
std::string LyricsLibrary() {
    std::string library = TempDir();
    WriteFile(library + "/one.lrc", "[ar:Tagged Artist]\n[ti:Tagged Title]\n[00:01.00]from the service\n");
    WriteFile(library + "/two.lrc", "[ar:Someone Else]\n[ti:Tagged Title]\n[00:01.00]not this one\n");
    return library;
}

TEST_F(DownloadLyricsCommandTest, RealServiceFindsByTagsAndKeepsOrReplaces) {
    std::string library = LyricsLibrary();
    LyricsService service(library);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    const std::string options = "--lyrics-server " + service.Url();
    const std::string lrc = music + "/tagged.lrc";
    const std::string expected = ReadFile(library + "/one.lrc");

    CommandRun run = Download(options, {music + "/tagged.mp3"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("lyrics " + lrc + "\n", run.out);
    EXPECT_EQ(expected, ReadFile(lrc));

    WriteFile(lrc, kOldLyrics);
    run = Download(options, {music + "/tagged.mp3"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("kept " + lrc + "\n", run.out);
    EXPECT_EQ(kOldLyrics, ReadFile(lrc));

    run = Download(options + " --replace", {music + "/tagged.mp3"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("lyrics " + lrc + "\n", run.out);
    EXPECT_EQ(expected, ReadFile(lrc));
}

TEST_F(DownloadLyricsCommandTest, ReadOnlyMusicFolderSendsLyricsToTheLyricsFolder) {
    std::string library = LyricsLibrary();
    LyricsService service(library);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    // Root writes anywhere: the command then runs as another user, for whom the music folder
    // is read-only and the program's folder writable.
    std::string runAs;
    if (geteuid() == 0) {
        runAs = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        ASSERT_EQ(0, chmod(home.c_str(), 0777));
    }
    ASSERT_EQ(0, chmod(music.c_str(), 0555));
    const std::string lrc = home + "/lyrics/Tagged Artist - Tagged Title.lrc";
    std::string command = runAs + ShellQuote(BinaryDir() + "/versolune-play") + " --download-lyrics --lyrics-server " +
                          service.Url() + " " + ShellQuote(music + "/tagged.mp3") + " 2>&1";
    int status = -1;
    std::string out = CaptureCommand(command, &status);
    EXPECT_EQ(0, status) << out;
    EXPECT_EQ("lyrics " + lrc + "\n", out);
    EXPECT_EQ(ReadFile(library + "/one.lrc"), ReadFile(lrc));
    EXPECT_FALSE(FileExists(WidePath(music + "/tagged.lrc")));
    out = CaptureCommand(command, &status);
    EXPECT_EQ("kept " + lrc + "\n", out);
    // The lyrics chain reads it from there.
    out = CaptureCommand(ShellQuote(BinaryDir() + "/versolune-play") + " --lrc --lrc-source " +
                         ShellQuote(music + "/tagged.mp3"), &status);
    EXPECT_EQ(0u, out.find("source folder " + lrc + "\n")) << out;
    chmod(music.c_str(), 0755);
}

}  // namespace
}  // namespace vl::test
