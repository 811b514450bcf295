// versolune-play: the terminal player on the same engine, playlist and lyrics as the window.
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/download_lyrics.h"
#include "app/play_options.h"
#include "app/terminal_controls.h"
#include "engine/input/source.h"
#include "engine/player_engine.h"
#include "lyrics/line_timer.h"
#include "lyrics/lyric_line_printer.h"
#include "lyrics/lyrics_model.h"
#include "lyrics/lyrics_sources.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_sink.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "ui/playlist.h"

using namespace vl;

namespace {

std::string Quoted(const std::wstring& text) {
    std::string out = "\"";
    for (char c : WideToUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

void PrintInfo(PlayerEngine& engine) {
    TrackInfo info;
    engine.GetTrackInfo(info);
    std::printf("source=%s version=%d layer=%d channels=%d rate=%d bitrate=%d duration_ms=%d",
                FindSource(engine.GetSourceType()).name, info.version, info.layer, info.channels,
                info.sampleRate, info.bitrate, info.duration);
    TagInfo tags{};
    if (engine.GetTagInfo(tags)) {
        std::printf(" title=%s artist=%s album=%s year=%d track=%d genre=%s comment=%s",
                    Quoted(tags.title).c_str(), Quoted(tags.artist).c_str(), Quoted(tags.album).c_str(),
                    tags.year, tags.track, Quoted(tags.genre).c_str(), Quoted(tags.comment).c_str());
    }
    std::printf("\n");
}

// Each tag of the model: time in ms, text and second text, tab-separated; lines without times
// have the time -1.
void PrintLyrics(const LyricsModel& model) {
    if (model.IsUnsynced()) {
        for (int i = 0; i < model.GetLineCount(); ++i) {
            const LyricLine& line = model.GetLine(i);
            std::printf("-1\t%s\t%s\n", WideToUtf8(line.text).c_str(),
                        line.secondText ? WideToUtf8(*line.secondText).c_str() : "");
        }
        return;
    }
    for (int i = 0; i < model.GetTagCount(); ++i) {
        const LyricTag& tag = model.GetTag(i);
        if (tag.time >= kLyricEndTime) break;
        const LyricLine& line = model.GetLine(tag.lineIndex);
        std::printf("%lld\t%s\t%s\n", static_cast<long long>(std::llround(tag.time * 1000.0)),
                    WideToUtf8(line.text).c_str(),
                    line.secondText ? WideToUtf8(*line.secondText).c_str() : "");
    }
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
        std::printf("station name=%s genre=%s url=%s\n", Quoted(name).c_str(), Quoted(genre).c_str(),
                    Quoted(url).c_str());
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

// Follows the play position like the lyrics display: a check every 333 ms (an incremental
// search when the position moved forward by at most a second, else a full one), and another
// check when the next line is due by the clock, so that a line prints on its tag.
struct LyricsFollower {
    static constexpr uint32_t kCheckMs = 333;
    LyricsModel* model = nullptr;
    bool words = false;  // print each word of the current line as it starts
    std::vector<bool> wordShown;
    LineTimer timer;
    uint32_t lastCheck = 0;
    int lastPosition = -1;
    LyricLineTracker shown;

    // Checks when forced, when the period is over or when a line is due; returns the
    // milliseconds until the next check is wanted.
    uint32_t Poll(PlayerEngine& engine, bool force) {
        if (!model || !model->IsLoaded()) return kCheckMs;
        uint32_t now = GetTickCount();
        LineTimer::Due due = timer.NextDue(*model, now);
        bool lineDue = due.delayMs == 0;
        if (force || lineDue || now - lastCheck >= kCheckMs) {
            Check(engine);
            now = lastCheck;
            due = timer.NextDue(*model, now);
        }
        uint32_t wait = kCheckMs - std::min(kCheckMs, now - lastCheck);
        if (due.Any()) wait = std::min(wait, static_cast<uint32_t>(due.delayMs));
        return wait;
    }

    void Check(PlayerEngine& engine) {
        int position = engine.GetPosition();
        lastCheck = GetTickCount();
        timer.Anchor(position, lastCheck, engine.GetState() == kPlaying);
        int moved = position - lastPosition;
        bool incremental = lastPosition >= 0 && moved > 0 && moved <= 1000;
        lastPosition = position;
        model->Locate(position * 0.001, incremental, false);
        const VisibleLine& current = model->GetVisibleLine(kLyricCurrentSlot);
        if (!current.line) return;
        if (shown.Changed(current)) {
            wordShown.assign(current.line->words.size(), false);
            PrintLyricLine(stdout, position, *current.line);
        }
        // Words that have started, in the order of the line.
        for (size_t i = 0; words && i < current.line->words.size(); ++i) {
            const LyricWord& word = current.line->words[i];
            if (wordShown[i] || position * 0.001 < word.time) continue;
            wordShown[i] = true;
            std::printf("word %d %s\n", position, WideToUtf8(WordText(current.line->text, word)).c_str());
        }
        std::fflush(stdout);
    }
};

// With --timing: milliseconds from Play to the first "playing" state and to the first audio
// buffer queued to the device, each printed once per run.
struct StartTiming {
    bool on = false;
    uint32_t start = 0;
    bool playingShown = false;
    bool bufferShown = false;

    bool Waiting() const { return on && !bufferShown; }
    void Print(const char* what) {
        std::printf("timing %s %u\n", what, static_cast<unsigned>(GetTickCount() - start));
        std::fflush(stdout);
    }
    void Poll(PlayerEngine& engine) {
        if (!Waiting()) return;
        uint32_t audioTotal = 0, audioUsed = 0, streamTotal = 0, streamUsed = 0;
        engine.GetBufferInfo(audioTotal, audioUsed, streamTotal, streamUsed);
        if (audioUsed == 0) return;
        bufferShown = true;
        Print("buffer");
    }
    void State(int state) {
        if (!on || state != kPlaying || playingShown) return;
        playingShown = true;
        Print("playing");
    }
};

// The keys and the status line of a terminal session; inactive when piped or quiet.
struct LiveControls {
    TerminalControls terminal;
    bool stdoutIsTerminal = false;
    std::string title;
    KeyAction ended = KeyAction::None;  // Next, Previous or Quit ended the run
    int repeat = 0;
    bool shuffle = false;

    static std::string Clock(int ms) {
        int s = std::max(ms, 0) / 1000;
        char buf[32];
        std::snprintf(buf, sizeof(buf), "%d:%02d", s / 60, s % 60);
        return buf;
    }
    void Status(PlayerEngine& engine) {
        static const char* const kStates[] = {"stopped", "playing", "paused", "starting"};
        static const char* const kRepeat[] = {"", " [repeat all]", " [repeat one]"};
        int state = engine.GetState();
        int volume = static_cast<int>((GetWaveVolume() & 0xFFFF) * 100 / 65535);
        std::string line = std::string("[") + kStates[state & 3] + "] " + Clock(engine.GetPosition());
        if (engine.GetDuration() > 0) line += " / " + Clock(engine.GetDuration());
        line += "  " + title + "  vol " + std::to_string(volume) + "%" + kRepeat[repeat % 3] +
                (shuffle ? " [shuffle]" : "");
        terminal.ShowStatus(line);
    }
    // Carries out a key; true when it ends the run.
    bool Apply(KeyAction action, PlayerEngine& engine) {
        switch (action) {
        case KeyAction::Pause: engine.Pause(); return false;
        case KeyAction::SeekBack: engine.Seek(std::max(engine.GetPosition() - 5000, 0)); return false;
        case KeyAction::SeekForward: engine.Seek(engine.GetPosition() + 5000); return false;
        case KeyAction::VolumeUp:
        case KeyAction::VolumeDown: {
            int level = static_cast<int>(GetWaveVolume() & 0xFFFF);
            level = std::clamp(level + (action == KeyAction::VolumeUp ? 3277 : -3277), 0, 65535);
            SetWaveVolume(static_cast<uint32_t>(level) | (static_cast<uint32_t>(level) << 16));
            return false;
        }
        case KeyAction::Repeat: repeat = (repeat + 1) % 3; return false;
        case KeyAction::Shuffle: shuffle = !shuffle; return false;
        case KeyAction::Next:
        case KeyAction::Previous:
        case KeyAction::Quit:
            ended = action;
            engine.Stop();
            return true;
        default: return false;
        }
    }
};

// The loop's messages without the peak levels: the terminal shows no meter, and a level
// arrives with every output buffer, which would wake the loop hundreds of times a second.
class PlayMessages : public MessageQueue {
public:
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) override {
        if (message != WM_ENGINE_PEAKS) MessageQueue::Post(message, wParam, lParam);
    }
};

// How long the loop may wait for a message before its next pass: keys, the status line and
// station texts want a pass every 20 ms, lyrics one when their next line is due (at most 20 ms
// away); otherwise only the stop time needs one.
uint32_t PassWait(PlayerEngine& engine, const PlayOptions& o, const StartTiming& timing,
                  const LyricsFollower& follower, uint32_t lyricsWait, const LiveControls& live, bool stopping) {
    if (timing.Waiting()) return 1;
    if (live.terminal.Active() || o.titles) return 20;
    if (follower.model) return std::min<uint32_t>(lyricsWait, 20);
    constexpr int kIdleMs = 250;
    if (stopping || o.stopAfterMs < 0) return kIdleMs;
    return static_cast<uint32_t>(std::clamp(o.stopAfterMs - engine.GetPosition(), 1, kIdleMs));
}

// Plays the open source to its end; true when the run ended normally.
bool PlayOne(PlayerEngine& engine, MessageQueue& queue, const PlayOptions& o, LyricsModel* lyrics,
             LiveControls& live) {
    if (o.seekMs >= 0) engine.Seek(o.seekMs);
    StartTiming timing;
    timing.on = o.timing;
    timing.start = GetTickCount();
    if (!engine.Play()) return false;
    bool stopping = false;
    StreamPrinter stream;
    LyricsFollower follower;
    follower.model = lyrics;
    follower.words = o.words;
    uint32_t wait = 20;
    for (;;) {
        Message m;
        bool got = queue.Get(m, PassWait(engine, o, timing, follower, wait, live, stopping));
        // Lines for the terminal go above the status line.
        if (live.terminal.Active() && live.stdoutIsTerminal) live.terminal.ShowStatus("");
        if (!stopping && live.Apply(live.terminal.ReadKey(), engine)) stopping = true;
        timing.Poll(engine);
        if (o.titles && engine.GetSourceType() == kSourceStream) stream.Poll(engine);
        wait = engine.GetState() == kPlaying ? follower.Poll(engine, false) : 20;
        if (!stopping && o.stopAfterMs >= 0 && engine.GetPosition() >= o.stopAfterMs) {
            stopping = true;
            engine.Stop();
        }
        if (live.terminal.Active()) live.Status(engine);
        if (!got) continue;
        if (m.message == WM_ENGINE_TITLE && o.titles) stream.Title(engine);
        if (m.message != WM_ENGINE_STATE) continue;
        int state = static_cast<int>(m.wParam);
        timing.State(state);
        if (state == kStopped) {
            if (live.terminal.Active()) live.terminal.ShowStatus("");
            if (!o.quiet) std::printf("state 0 %s\n", m.lParam ? "failed" : "ok");
            std::fflush(stdout);
            return m.lParam == 0;
        }
        if (!o.quiet) {
            std::printf("state %d\n", state);
            std::fflush(stdout);
        }
        if (state == kPlaying) wait = follower.Poll(engine, true);
    }
}

// Turns the arguments into a playlist; false when an argument gave nothing to play.
bool BuildPlaylist(Playlist& playlist, const PlayOptions& o) {
    bool ok = true;
    for (const auto& arg : o.files) {
        std::wstring path = WidePath(arg);
        int before = playlist.GetEntryCount();
        if (Playlist::IsUrl(path)) playlist.AddEntry(path);
        else if (IsDirectory(path)) playlist.AddFolder(path);
        else if (Playlist::IsPlaylistFile(path)) playlist.LoadPlaylist(path);
        else playlist.AddEntry(path);
        if (playlist.GetEntryCount() == before) {
            std::fprintf(stderr, "versolune-play: nothing to play in %s\n", arg.c_str());
            ok = false;
        }
    }
    return ok;
}

bool OpenPath(PlayerEngine& engine, const std::wstring& path) {
    return Playlist::IsUrl(path) ? engine.OpenStream(path) : engine.Open(path);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    PlayOptions o;
    int parsed = ParsePlayOptions(argc, argv, o);
    if (parsed == -1) return 0;
    if (parsed != 0) return parsed;
    if (!o.audio.empty()) SetAudioBackend(o.audio);

    PlayerEngine engine;
    PlayMessages queue;
    engine.SetNotifyWindow(&queue);
    if (!engine.SetOutputSettings(o.output)) return UsageError("the output settings were refused");
    if (o.haveEq) engine.SetEqualizer(o.eq);
    if (o.bass >= 0) engine.SetBassBoost(o.bass);
    for (int k = 0; k < 4; ++k)
        if (o.haveEffect[k]) engine.SetEffect(k, o.effect[k]);
    engine.SetPeakMeter(true);

    Playlist playlist(&engine);
    PlaylistOptions options;
    options.repeat = o.repeat;
    options.shuffle = o.shuffle;
    options.addExisting = true;  // the arguments as given, repeats included
    options.searchSubFolders = true;
    playlist.SetOptions(options);
    if (o.shuffle) playlist.SetShuffle(true);
    int status = BuildPlaylist(playlist, o) ? 0 : 1;

    if (o.list) {
        for (int i = 0; i < playlist.GetEntryCount(); ++i) {
            std::wstring title;
            playlist.GetEntryTitle(i, title);
            std::printf("%s\t%s\n", WideToUtf8(playlist.GetEntry(i)->path).c_str(), WideToUtf8(title).c_str());
        }
        return status;
    }
    if (o.downloadLyrics) {
        int downloaded = DownloadLyrics(playlist, WidePath(o.lyricsServer), o.replaceLyrics);
        return status ? status : downloaded;
    }
    if (o.lrc) {
        for (int i = 0; i < playlist.GetEntryCount(); ++i) {
            LyricsModel model;
            const PlaylistEntry* entry = playlist.GetEntry(i);
            LyricsSource source = Playlist::IsUrl(entry->path)
                                      ? LyricsSource{}
                                      : LoadLyricsFor(model, entry->path, &entry->tags, LyricsFolderSetting());
            if (o.lrcSource)
                std::printf("source %s %s\n", LyricsSourceName(source.kind), NativePath(source.path).c_str());
            if (source.kind == LyricsSourceKind::kNone) {
                std::fprintf(stderr, "versolune-play: no lyrics for %s\n", NativePath(entry->path).c_str());
                status = 1;
                continue;
            }
            PrintLyrics(model);
        }
        return status;
    }

    LiveControls live;
    live.repeat = o.repeat;
    live.shuffle = o.shuffle;
    if (!o.quiet && !o.info) live.terminal.Start();
    live.stdoutIsTerminal = isatty(STDOUT_FILENO);
    int index = playlist.GetEntryCount() > 0 ? (o.shuffle ? playlist.GetNextIndex(false, false) : 0) : -1;
    while (index >= 0) {
        playlist.SetCurrentIndex(index);
        playlist.MarkOpened(index);
        const std::wstring path = playlist.GetEntry(index)->path;
        bool ok = OpenPath(engine, path);
        if (!ok) {
            std::fprintf(stderr, "versolune-play: cannot open %s\n", NativePath(path).c_str());
        } else if (o.info) {
            PrintInfo(engine);
        } else {
            LyricsModel lyrics;
            bool haveLyrics = o.lyrics && !Playlist::IsUrl(path) &&
                              LoadLyricsFor(lyrics, path, &playlist.GetEntry(index)->tags, LyricsFolderSetting()).kind !=
                                  LyricsSourceKind::kNone;
            std::wstring title;
            playlist.GetEntryTitle(index, title);
            live.title = WideToUtf8(title);
            live.ended = KeyAction::None;
            ok = PlayOne(engine, queue, o, haveLyrics ? &lyrics : nullptr, live);
        }
        std::fflush(stdout);
        if (!ok) status = 1;
        if (o.info) {
            index = index + 1 < playlist.GetEntryCount() ? index + 1 : -1;
            continue;
        }
        if (live.terminal.Active()) {
            // Keys may have changed the order of play or ended it.
            bool shuffleChanged = live.shuffle != options.shuffle;
            options.repeat = live.repeat;
            options.shuffle = live.shuffle;
            playlist.SetOptions(options);
            if (shuffleChanged) playlist.SetShuffle(live.shuffle);
            if (live.ended == KeyAction::Quit) break;
            if (live.ended == KeyAction::Next || live.ended == KeyAction::Previous) {
                ok = true;
                index = live.ended == KeyAction::Next ? playlist.GetNextIndex(false, false)
                                                      : playlist.GetPreviousIndex();
                continue;
            }
            o.repeat = live.repeat;
        }
        if (o.repeat == 2) {
            if (ok) continue;  // the same entry again
            break;
        }
        index = playlist.GetNextIndex(true, !ok);
    }
    live.terminal.End();
    engine.Close();
    return status;
}
