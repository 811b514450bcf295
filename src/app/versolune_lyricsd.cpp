// versolune-lyricsd: serves the user's own LRC library to the player's lyrics search (and to
// other players through JSON), from an SQLite index kept in step with the folders.
#include <signal.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "lyricsd/catalogue.h"
#include "lyricsd/indexer.h"
#include "lyricsd/service.h"
#include "lyricsd/users.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

const char kUsage[] =
    "usage: versolune-lyricsd --library DIR [--library DIR...] [options]\n"
    "Indexes the .lrc files under the folders and answers the player's lyrics search.\n"
    "  --library DIR      a folder of lyric files (recursive; may be given more than once)\n"
    "  --listen HOST:PORT where to listen (default 127.0.0.1:8731; port 0 picks a free one)\n"
    "  --db PATH          the index file (default lyricsd.sqlite in the data folder)\n"
    "  --users FILE       lines \"user:hash\" (crypt(3), e.g. mkpasswd -m yescrypt); then the\n"
    "                     search needs user and pass\n"
    "  --public-url URL   base of the addresses handed out (default: from the Host header)\n"
    "  --codepage NAME    code page of queries, answers and lyric files without a byte-order\n"
    "                     mark (default UTF-8)\n"
    "  --version          the version\n"
    "  --help             this text\n"
    "\n"
    "Runs until SIGINT or SIGTERM. Exit status: 0 when stopped so, 1 when the index, the users\n"
    "file or the address cannot be used, 2 for a usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "versolune-lyricsd: %s\nTry 'versolune-lyricsd --help'.\n", message.c_str());
    return 2;
}

// An absolute folder path without trailing slashes.
std::string LibraryPath(std::string dir) {
    if (!dir.empty() && dir[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof(cwd))) dir = std::string(cwd) + "/" + dir;
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

bool SplitListen(const std::string& value, std::string& host, int& port) {
    size_t colon = value.find_last_of(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = value.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    std::string p = value.substr(colon + 1);
    if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    port = std::atoi(p.c_str());
    return port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    std::vector<std::string> libraries;
    std::string listen = "127.0.0.1:8731", db, usersFile, publicUrl, codepage = "UTF-8";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("versolune-lyricsd %s\n", VERSOLUNE_VERSION);
            return 0;
        }
        std::string* target = a == "--listen" ? &listen : a == "--db" ? &db : a == "--users" ? &usersFile
                            : a == "--public-url" ? &publicUrl : a == "--codepage" ? &codepage : nullptr;
        if (a == "--library" || target) {
            if (i + 1 >= argc || !*argv[i + 1]) return UsageError(a + " needs a value");
            if (target) *target = argv[++i];
            else libraries.push_back(LibraryPath(argv[++i]));
        } else {
            return UsageError("unknown argument " + a);
        }
    }
    if (libraries.empty()) return UsageError("no --library given");
    std::string host;
    int port = 0;
    if (!SplitListen(listen, host, port)) return UsageError("--listen needs HOST:PORT");
    if (!publicUrl.empty() && publicUrl.compare(0, 7, "http://") != 0 && publicUrl.compare(0, 8, "https://") != 0)
        return UsageError("--public-url needs an http:// or https:// address");
    vl::SetAnsiCodePage(codepage);
    if (vl::AnsiToWide("A") != L"A") return UsageError("unknown code page " + codepage);
    if (db.empty()) db = vl::NativePath(vl::JoinPath(vl::GetDataDir(), L"lyricsd.sqlite"));

    vl::lyricsd::Users users;
    std::string error;
    if (!usersFile.empty() && !users.Load(usersFile, &error)) {
        std::fprintf(stderr, "versolune-lyricsd: %s\n", error.c_str());
        return 1;
    }

    // Signals are taken by one thread, which stops the others.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    vl::lyricsd::Catalogue writer;
    if (!writer.Open(db, true, &error)) {
        std::fprintf(stderr, "versolune-lyricsd: %s\n", error.c_str());
        return 1;
    }
    vl::lyricsd::Indexer indexer(writer, libraries);
    // Watches are set while the first pass walks, so nothing changed meanwhile is missed.
    if (!indexer.StartWatching(&error)) std::fprintf(stderr, "versolune-lyricsd: %s; changes are seen at the next start\n", error.c_str());
    indexer.Scan();

    vl::lyricsd::ServiceOptions options;
    options.dbPath = db;
    options.publicUrl = publicUrl;
    options.users = usersFile.empty() ? nullptr : &users;
    vl::lyricsd::Service service(options);
    int bound = service.Bind(host, port);
    if (bound <= 0) {
        std::fprintf(stderr, "versolune-lyricsd: cannot listen on %s\n", listen.c_str());
        return 1;
    }
    bool v6 = host.find(':') != std::string::npos;
    std::string url = "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(bound);
    service.SetListenUrl(url);
    std::printf("listening on %s\n", url.c_str());
    std::fflush(stdout);

    std::thread watcher([&indexer] { indexer.WatchLoop(); });
    std::thread stopper([&] {
        int sig = 0;
        sigwait(&signals, &sig);
        indexer.Stop();
        service.Stop();
    });
    bool ok = service.Run();
    // Run also returns on a failure of its own: wake the signal thread the ordinary way.
    kill(getpid(), SIGTERM);
    stopper.join();
    indexer.Stop();
    watcher.join();
    return ok ? 0 : 1;
}
