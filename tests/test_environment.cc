// Compiled into every test program: defaults the tests rely on, set before main so that
// every engine and window in the program sees them. A value given from outside wins.
#include <cstdlib>

namespace {
struct TestEnvironment {
    TestEnvironment() {
        setenv("VERSOLUNE_AUDIO", "null-fast", 0);  // no sound card needed
        setenv("QT_QPA_PLATFORM", "offscreen", 0);  // windows without a display
    }
} g_testEnvironment;
}  // namespace

// Leaks inside system libraries that tests cannot free (fontconfig's caches, loaded by Qt's
// offscreen platform) are not ours: keep them out of LeakSanitizer's report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
