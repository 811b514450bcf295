// Adding a large folder to the playlist: time and growth with the duplicate test on.
//
// The folder holds N empty .mp3 files. Each add still runs the full path of a real add: the
// duplicate test, the playability test (one stat) and the engine's tag reader (an open that
// finds no MPEG content at once), so empty files measure the playlist rather than a decoder.
// For reference the same adds are timed with a duplicate test that copies and lower-cases
// every entry for every add (the straightforward scan), once, at sizes up to 10 000.
//
// Usage: bench_playlist [N ...]   (default 10000 50000)
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

#include "engine/player_engine.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/playlist.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// User and system processor time of this process so far.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto sec = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return sec(usage.ru_utime) + sec(usage.ru_stime);
}

std::string MakeFolder(int count) {
    char tmpl[] = "/tmp/versolune-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return std::string();
    std::string dir = tmpl;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "/Track %06d.mp3", (i * 7919) % count);
        FILE* f = std::fopen((dir + name).c_str(), "w");
        if (f) std::fclose(f);
    }
    return dir;
}

// The duplicate test that compares lower-cased copies of every entry, for comparison.
class ScanningPlaylist : public vl::Playlist {
public:
    using vl::Playlist::Playlist;
    bool IsInPlaylist(const std::wstring& path) const override {
        if (GetOptions().addExisting) return false;
        std::wstring wanted = Lower(path);
        for (int i = 0; i < GetEntryCount(); ++i)
            if (Lower(GetEntry(i)->path) == wanted) return true;
        return false;
    }

private:
    static std::wstring Lower(std::wstring s) {
        for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
        return s;
    }
};

// Wall seconds of one AddFolder; its processor seconds go to *cpu.
double TimeAddFolder(vl::Playlist& list, const std::string& dir, int expected, double* cpu = nullptr) {
    vl::PlaylistOptions options;
    options.addExisting = false;
    list.SetOptions(options);
    Clock::time_point start = Clock::now();
    double cpuStart = CpuSeconds();
    list.AddFolder(vl::WidePath(dir));
    double s = Seconds(start);
    if (cpu) *cpu = CpuSeconds() - cpuStart;
    if (list.GetEntryCount() != expected)
        std::fprintf(stderr, "warning: %d entries, expected %d\n", list.GetEntryCount(), expected);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10000, 50000};
    const int kScanLimit = 10000;

    std::string home = MakeFolder(0);
    setenv("VERSOLUNE_HOME", home.c_str(), 1);
    vl::PlayerEngine* engine = vl::CreateEngine();
    std::printf("%8s %12s %10s %12s %14s %14s\n", "files", "AddFolder s", "cpu s", "us/file", "scan-dup s",
                "scan us/file");
    double firstTime = 0;
    double firstCpu = 0;
    int firstSize = 0;
    for (int n : sizes) {
        std::string dir = MakeFolder(n);
        if (dir.empty()) return 1;
        // Best of three: the machine is shared, the fastest run is the least disturbed.
        double t = 0;
        double cpu = 0;
        for (int run = 0; run < 3; ++run) {
            vl::Playlist list(engine);
            double c = 0;
            double r = TimeAddFolder(list, dir, n, &c);
            if (run == 0 || r < t) t = r;
            if (run == 0 || c < cpu) cpu = c;
        }
        std::string scan = "-";
        std::string scanPer = "-";
        if (n <= kScanLimit) {
            ScanningPlaylist slow(engine);
            double ts = TimeAddFolder(slow, dir, n);
            scan = std::to_string(ts);
            scanPer = std::to_string(ts * 1e6 / n);
        }
        std::printf("%8d %12.3f %10.3f %12.2f %14s %14s\n", n, t, cpu, t * 1e6 / n, scan.c_str(), scanPer.c_str());
        if (firstSize == 0) {
            firstSize = n;
            firstTime = t;
            firstCpu = cpu;
        } else {
            std::printf("         growth %.1fx files -> %.2fx wall time, %.2fx processor time\n",
                        double(n) / firstSize, t / firstTime, cpu / firstCpu);
        }
        std::string rm = "rm -rf '" + dir + "'";
        if (std::system(rm.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.c_str());
    }
    vl::DestroyEngine(engine);
    std::string rm = "rm -rf '" + home + "'";
    if (std::system(rm.c_str()) != 0) return 1;
    return 0;
}
