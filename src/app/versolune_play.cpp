// versolune-play: the terminal player on the same engine as the window.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/player_engine.h"
#include "platform/message_sink.h"
#include "platform/text.h"
#include "platform/wave_out.h"

using namespace vl;

namespace {

const char kUsage[] =
    "usage: versolune-play [options] FILE|URL...\n"
    "Plays the files and http:// stream URLs one after the other.\n"
    "\n"
    "  --audio BACKEND      alsa[:DEVICE], null, null-fast, wav:PATH, wav-fast:PATH, auto\n"
    "  --info               print format and tags of each file, do not play\n"
    "  --seek MS            start each file at MS milliseconds\n"
    "  --stop-after MS      stop each run once the position reaches MS\n"
    "  --eq E,P,B1,...,B10  equalizer: enable, preamp, ten bands (slider steps 0..64, 31 = 0 dB)\n"
    "  --bass LEVEL         bass boost 0..20\n"
    "  --reverb E,DELAY,RATE\n"
    "  --echo E,DELAY,RATE\n"
    "  --surround E,RATE\n"
    "  --chorus E,RATE      3D chorus\n"
    "  --buffer MS          output buffer length (at least 10)\n"
    "  --prebuffer PCT      part of the buffer queued before the device starts (0..100)\n"
    "  --scan               measure MPEG files by scanning every frame\n"
    "  --fade               fade in after seeks\n"
    "  --suppress-zero      cut leading and trailing silence\n"
    "  --always-open        keep the audio device open between tracks\n"
    "  --titles             print stream titles (title TEXT) and the station once known\n"
    "  -q                   quiet: do not print play-state changes\n"
    "  --help               this text\n"
    "\n"
    "Exit status: 0 when every run ended normally, 1 when a run failed or a file could not be\n"
    "opened, 2 for a usage error.\n";

struct Options {
    std::string audio;
    bool info = false;
    bool quiet = false;
    bool titles = false;
    int seekMs = -1;
    int stopAfterMs = -1;
    bool haveEq = false;
    EqualizerParams eq = DefaultEqualizer();
    int bass = -1;
    bool haveEffect[4] = {};
    EffectParams effect[4];
    OutputSettings output;
    std::vector<std::string> files;
};

bool ParseInts(const char* text, std::vector<int>& out, size_t count) {
    out.clear();
    const char* p = text;
    while (*p) {
        char* end = nullptr;
        long v = std::strtol(p, &end, 10);
        if (end == p) return false;
        out.push_back(static_cast<int>(v));
        p = end;
        if (*p == ',') ++p;
        else if (*p) return false;
    }
    return out.size() == count;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "versolune-play: %s\n%s", message.c_str(), "Try 'versolune-play --help'.\n");
    return 2;
}

// Returns 0 to go on, or the exit status.
int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto needValue = [&](const char* name) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)name;
            return argv[++i];
        };
        std::vector<int> v;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        } else if (a == "-q") {
            o.quiet = true;
        } else if (a == "--titles") {
            o.titles = true;
        } else if (a == "--info") {
            o.info = true;
        } else if (a == "--scan") {
            o.output.scanCompletely = 1;
        } else if (a == "--fade") {
            o.output.fade = 1;
        } else if (a == "--suppress-zero") {
            o.output.suppressZeroSamples = 1;
        } else if (a == "--always-open") {
            o.output.alwaysOpenDev = 1;
        } else if (a == "--audio" || a == "--seek" || a == "--stop-after" || a == "--eq" || a == "--bass" ||
                   a == "--reverb" || a == "--echo" || a == "--surround" || a == "--chorus" ||
                   a == "--buffer" || a == "--prebuffer") {
            const char* value = needValue(a.c_str());
            if (!value) return UsageError(a + " needs a value");
            if (a == "--audio") {
                o.audio = value;
            } else if (a == "--eq") {
                if (!ParseInts(value, v, 12)) return UsageError("--eq needs twelve numbers");
                o.haveEq = true;
                o.eq.enable = v[0];
                o.eq.preamp = v[1];
                for (int b = 0; b < 10; ++b) o.eq.band[b] = v[2 + b];
            } else if (a == "--reverb" || a == "--echo") {
                if (!ParseInts(value, v, 3)) return UsageError(a + " needs E,DELAY,RATE");
                int kind = a == "--reverb" ? kEffectReverb : kEffectEcho;
                o.haveEffect[kind] = true;
                o.effect[kind] = EffectParams{v[0], v[1], v[2]};
            } else if (a == "--surround" || a == "--chorus") {
                if (!ParseInts(value, v, 2)) return UsageError(a + " needs E,RATE");
                int kind = a == "--surround" ? kEffectSurround : kEffectChorus3D;
                o.haveEffect[kind] = true;
                o.effect[kind] = EffectParams{v[0], 0, v[1]};
            } else {
                if (!ParseInts(value, v, 1)) return UsageError(a + " needs a number");
                if (a == "--seek") o.seekMs = v[0];
                else if (a == "--stop-after") o.stopAfterMs = v[0];
                else if (a == "--bass") o.bass = v[0];
                else if (a == "--buffer") o.output.bufferLenMs = v[0];
                else o.output.prebufferPercent = v[0];
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return UsageError("unknown option " + a);
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty()) return UsageError("no file given");
    if (o.output.bufferLenMs < 10) return UsageError("--buffer must be at least 10");
    if (o.output.prebufferPercent < 0 || o.output.prebufferPercent > 100)
        return UsageError("--prebuffer must lie in 0..100");
    return 0;
}

const char* SourceName(int type) {
    switch (type) {
        case kSourceMpeg: return "mpeg";
        case kSourceOgg: return "ogg";
        case kSourceWav: return "wav";
        case kSourcePlugin: return "plugin";
        case kSourceStream: return "stream";
        default: return "none";
    }
}

std::string Quoted(const wchar_t* text) {
    std::string s = WideToUtf8(text);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

void PrintInfo(PlayerEngine& engine) {
    TrackInfo info;
    engine.GetTrackInfo(info);
    std::printf("source=%s version=%d layer=%d channels=%d rate=%d bitrate=%d duration_ms=%d",
                SourceName(engine.GetSourceType()), info.version, info.layer, info.channels,
                info.sampleRate, info.bitrate, info.duration);
    TagInfo tags{};
    if (engine.GetTagInfo(tags)) {
        std::printf(" title=%s artist=%s album=%s year=%d track=%d genre=%s comment=%s",
                    Quoted(tags.title).c_str(), Quoted(tags.artist).c_str(), Quoted(tags.album).c_str(),
                    tags.year, tags.track, Quoted(tags.genre).c_str(), Quoted(tags.comment).c_str());
    }
    std::printf("\n");
    std::fflush(stdout);
}

// Station texts and titles of a stream, each printed when it first appears or changes.
struct StreamPrinter {
    bool stationShown = false;
    std::wstring lastTitle;

    void Poll(PlayerEngine& engine) {
        if (stationShown) return;
        std::wstring name, genre, url;
        if (!engine.GetStreamInfo(&name, &genre, &url)) return;
        stationShown = true;
        std::printf("station name=%s genre=%s url=%s\n", Quoted(name.c_str()).c_str(), Quoted(genre.c_str()).c_str(),
                    Quoted(url.c_str()).c_str());
        std::fflush(stdout);
    }
    void Title(PlayerEngine& engine) {
        std::wstring title;
        engine.GetStreamTitle(title);
        if (title == lastTitle) return;
        lastTitle = title;
        std::printf("title %s\n", WideToUtf8(title).c_str());
        std::fflush(stdout);
    }
};

// Plays the open source to its end; true when the run ended normally.
bool PlayOne(PlayerEngine& engine, MessageQueue& queue, const Options& o) {
    if (o.seekMs >= 0) engine.Seek(o.seekMs);
    if (!engine.Play()) return false;
    bool stopping = false;
    StreamPrinter stream;
    for (;;) {
        Message m;
        bool got = queue.Get(m, 20);
        if (o.titles && engine.GetSourceType() == kSourceStream) stream.Poll(engine);
        if (!got) {
            if (!stopping && o.stopAfterMs >= 0 && engine.GetPosition() >= o.stopAfterMs) {
                stopping = true;
                engine.Stop();
            }
            continue;
        }
        if (m.message == WM_ENGINE_TITLE && o.titles) stream.Title(engine);
        if (m.message != WM_ENGINE_STATE) continue;
        int state = static_cast<int>(m.wParam);
        if (state == kStopped) {
            if (!o.quiet) std::printf("state 0 %s\n", m.lParam ? "failed" : "ok");
            std::fflush(stdout);
            return m.lParam == 0;
        }
        if (!o.quiet) {
            std::printf("state %d\n", state);
            std::fflush(stdout);
        }
        if (!stopping && o.stopAfterMs >= 0 && engine.GetPosition() >= o.stopAfterMs) {
            stopping = true;
            engine.Stop();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    Options o;
    int parsed = ParseOptions(argc, argv, o);
    if (parsed == -1) return 0;
    if (parsed != 0) return parsed;
    if (!o.audio.empty()) SetAudioBackend(o.audio);

    PlayerEngine engine;
    MessageQueue queue;
    engine.SetNotifyWindow(&queue);
    if (!engine.SetOutputSettings(o.output)) return UsageError("the output settings were refused");
    if (o.haveEq) engine.SetEqualizer(o.eq);
    if (o.bass >= 0) engine.SetBassBoost(o.bass);
    for (int k = 0; k < 4; ++k)
        if (o.haveEffect[k]) engine.SetEffect(k, o.effect[k]);
    engine.SetPeakMeter(true);

    int status = 0;
    for (const auto& file : o.files) {
        bool isUrl = file.compare(0, 7, "http://") == 0;
        if (isUrl ? !engine.OpenStream(WidePath(file)) : !engine.Open(WidePath(file))) {
            std::fprintf(stderr, "versolune-play: cannot open %s\n", file.c_str());
            status = 1;
            continue;
        }
        if (o.info) {
            PrintInfo(engine);
            continue;
        }
        if (!PlayOne(engine, queue, o)) status = 1;
    }
    engine.Close();
    return status;
}
