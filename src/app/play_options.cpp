#include "app/play_options.h"

#include <cstdio>
#include <cstdlib>

namespace vl {

namespace {

const char kUsage[] =
    "usage: versolune-play [options] FILE|FOLDER|PLAYLIST|URL...\n"
    "Plays the files, the audio files of folders, .m3u/.pls playlists and http:// stream URLs\n"
    "one after the other.\n"
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
    "  --timing             print the milliseconds from Play to the playing state (timing\n"
    "                       playing MS) and to the first audio buffer queued (timing buffer MS)\n"
    "  --lyrics             print each lyric line as it becomes current (lyric MS TEXT)\n"
    "  --words              with --lyrics: each word of enhanced lyrics as it starts (word MS TEXT)\n"
    "  --lrc                print the lyrics of each file (time, text, second text), do not play;\n"
    "                       time -1 for lyrics without times\n"
    "  --lrc-source         with --lrc: first a line source KIND PATH (file, sylt, uslt, comment,\n"
    "                       folder, none)\n"
    "  --list               print the playlist the arguments make (path, title), do not play\n"
    "  --download-lyrics    fetch each local file's lyrics from the lyrics service by its tags\n"
    "                       (the file name without a title tag) into the .lrc file beside it\n"
    "                       (into the lyrics folder when its folder cannot be written), do not\n"
    "                       play; prints 'lyrics LRC_PATH' when stored, 'kept LRC_PATH'\n"
    "                       when one exists already, 'no-lyrics AUDIO_PATH' when none came\n"
    "  --lyrics-server URL  the service for --download-lyrics (default: the player's\n"
    "                       \"LyricsServer\" setting, else http://127.0.0.1:8731)\n"
    "  --replace            --download-lyrics replaces existing .lrc files\n"
    "  --repeat MODE        none, all or one\n"
    "  --shuffle            play the playlist in random order\n"
    "  -q                   quiet: do not print play-state changes\n"
    "  --version            the version\n"
    "  --help               this text\n"
    "\n"
    "Exit status: 0 when every run ended normally, 1 when a run failed or a file could not be\n"
    "opened, 2 for a usage error. With --download-lyrics: 0 when every file has its lyric file\n"
    "at the end, else 1.\n";

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

}  // namespace

int UsageError(const std::string& message) {
    std::fprintf(stderr, "versolune-play: %s\n%s", message.c_str(), "Try 'versolune-play --help'.\n");
    return 2;
}

// Returns 0 to go on, or the exit status.
int ParsePlayOptions(int argc, char** argv, PlayOptions& o) {
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
        } else if (a == "--version") {
            std::printf("versolune-play %s\n", VERSOLUNE_VERSION);
            return -1;
        } else if (a == "-q") {
            o.quiet = true;
        } else if (a == "--lyrics") {
            o.lyrics = true;
        } else if (a == "--lrc") {
            o.lrc = true;
        } else if (a == "--words") {
            o.words = true;
        } else if (a == "--lrc-source") {
            o.lrcSource = true;
        } else if (a == "--list") {
            o.list = true;
        } else if (a == "--download-lyrics") {
            o.downloadLyrics = true;
        } else if (a == "--replace") {
            o.replaceLyrics = true;
        } else if (a == "--lyrics-server") {
            const char* value = needValue(a.c_str());
            if (!value || !*value) return UsageError("--lyrics-server needs a URL");
            o.lyricsServer = value;
        } else if (a == "--shuffle") {
            o.shuffle = true;
        } else if (a == "--repeat") {
            const char* value = needValue(a.c_str());
            std::string mode = value ? value : "";
            if (mode == "none") o.repeat = 0;
            else if (mode == "all") o.repeat = 1;
            else if (mode == "one") o.repeat = 2;
            else return UsageError("--repeat needs none, all or one");
        } else if (a == "--titles") {
            o.titles = true;
        } else if (a == "--timing") {
            o.timing = true;
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


}  // namespace vl
