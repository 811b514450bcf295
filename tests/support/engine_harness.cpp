#include "support/engine_harness.h"

#include "platform/clock.h"

namespace vl::test {

bool EngineHarness::WaitForState(int state, int timeoutMs, intptr_t* lParam) {
    uint32_t start = GetTickCount();
    for (;;) {
        int left = timeoutMs - static_cast<int>(GetTickCount() - start);
        if (left <= 0) return false;
        Message m;
        if (!queue.Get(m, static_cast<uint32_t>(left))) return false;
        seen.push_back(m);
        if (m.message == WM_ENGINE_STATE && static_cast<int>(m.wParam) == state) {
            if (lParam) *lParam = m.lParam;
            return true;
        }
    }
}

std::string EngineHarness::StateTrail() const {
    std::string s;
    for (const auto& m : seen) {
        if (m.message != WM_ENGINE_STATE) continue;
        if (!s.empty()) s += ",";
        s += std::to_string(m.wParam);
        if (m.wParam == 0 && m.lParam) s += "!";
    }
    return s;
}

void EngineHarness::Drain() {
    Message m;
    while (queue.Get(m, 0)) seen.push_back(m);
}

}  // namespace vl::test
