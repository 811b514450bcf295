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
