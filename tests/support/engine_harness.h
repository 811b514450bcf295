#pragma once
// Drives a PlayerEngine with a message queue as its window, for tests.
#include <string>
#include <vector>

#include "engine/player_engine.h"
#include "platform/message_sink.h"

namespace vl::test {

struct EngineHarness {
    PlayerEngine engine;
    MessageQueue queue;
    std::vector<Message> seen;  // every message taken from the queue, in order

    EngineHarness() { engine.SetNotifyWindow(&queue); }
    ~EngineHarness() { engine.Close(); }

    // Takes messages until WM_ENGINE_STATE(state); false on timeout. lParam of that message.
    bool WaitForState(int state, int timeoutMs = 10000, intptr_t* lParam = nullptr);
    // The WM_ENGINE_STATE values seen so far, as "3,1,0" (failed ends as "0!").
    std::string StateTrail() const;
    void Drain();
};

}  // namespace vl::test
