#include "support/engine_capture.h"

#include <cstdio>

#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_harness.h"

namespace vl::test {

CaptureResult PlayToPcm(const std::string& path, const std::string& workDir, const CaptureOptions& options) {
    static int serial = 0;
    const std::string out = workDir + "/capture" + std::to_string(++serial) + ".wav";
    CaptureResult r;
    SetAudioBackend("wav-fast:" + out);
    {
        EngineHarness h;
        r.opened = h.engine.Open(WidePath(path));
        if (r.opened) {
            r.durationMs = h.engine.GetDuration();
            if (options.seekMs >= 0) r.seeked = h.engine.Seek(options.seekMs);
            if (options.beforePlay) options.beforePlay(h.engine);
            intptr_t failed = 0;
            r.finished = h.engine.Play() && h.WaitForState(kStopped, options.timeoutMs, &failed);
            r.failed = failed != 0;
        }
        h.engine.Close();
    }
    SetAudioBackend("null-fast");
    if (r.opened) r.captured = ReadWav(out, r.pcm);
    std::remove(out.c_str());
    return r;
}

CaptureResult PlayToPcm(const std::string& path, const std::string& workDir, int seekMs) {
    CaptureOptions options;
    options.seekMs = seekMs;
    return PlayToPcm(path, workDir, options);
}

}  // namespace vl::test
