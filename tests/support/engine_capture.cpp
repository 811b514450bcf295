#include "support/engine_capture.h"

#include <cstdio>

#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_harness.h"

namespace vl::test {

CaptureResult PlayToPcm(const std::string& path, const std::string& workDir, int seekMs) {
    static int serial = 0;
    const std::string out = workDir + "/capture" + std::to_string(++serial) + ".wav";
    CaptureResult r;
    SetAudioBackend("wav-fast:" + out);
    {
        EngineHarness h;
        r.opened = h.engine.Open(WidePath(path));
        if (r.opened) {
            r.durationMs = h.engine.GetDuration();
            if (seekMs >= 0) h.engine.Seek(seekMs);
            intptr_t failed = 0;
            r.finished = h.engine.Play() && h.WaitForState(kStopped, 20000, &failed);
            r.failed = failed != 0;
        }
        h.engine.Close();
    }
    SetAudioBackend("null-fast");
    if (r.opened) ReadWav(out, r.pcm);
    std::remove(out.c_str());
    return r;
}

}  // namespace vl::test
