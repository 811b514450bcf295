#pragma once
// Command line of the terminal player.
#include <string>
#include <vector>

#include "engine/types.h"

namespace vl {

struct PlayOptions {
    std::string audio;
    bool info = false;
    bool quiet = false;
    bool titles = false;
    bool timing = false;
    bool lyrics = false;
    bool lrc = false;
    bool words = false;      // with --lyrics: each word of enhanced lyrics as it starts
    bool lrcSource = false;  // with --lrc: where each file's lyrics came from
    bool list = false;
    bool downloadLyrics = false;
    std::string lyricsServer;  // empty: the "LyricsServer" setting
    bool replaceLyrics = false;
    int repeat = 0;  // 0 none, 1 all, 2 one
    bool shuffle = false;
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

// 0 to go on, -1 after printing the help, else the exit status of a usage error.
int ParsePlayOptions(int argc, char** argv, PlayOptions& options);
int UsageError(const std::string& message);

}  // namespace vl
