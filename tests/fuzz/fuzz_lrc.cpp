// The LRC reader over arbitrary bytes, then a few window fills over the result.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lyrics/lyrics_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vl::LyricsModel model;
    model.LoadBytes(std::string(reinterpret_cast<const char*>(data), size));
    for (int i = 1; i < model.GetTagCount(); ++i)
        if (model.GetTag(i - 1).time > model.GetTag(i).time) __builtin_trap();
    for (double p : {-1.0, 0.0, 12.5, 1e6}) {
        model.Locate(p, false, true);
        model.Locate(p + 0.3, true, true);
    }
    model.ShiftTimes(-0.5);
    model.Locate(1.0, false, true);
    for (int slot = 0; slot < vl::kLyricWindowSlots; ++slot) {
        const vl::LyricLine* line = model.GetVisibleLine(slot).line;
        if (line && line->text.empty()) __builtin_trap();
    }
    return 0;
}
