#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/power.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

// Records what the player asked of the desktop.
struct FakeDesktop : DesktopPower {
    std::vector<std::string> calls;
    bool suspendTaken = true;
    void InhibitScreenSaver(bool on) override { calls.push_back(on ? "screen on" : "screen off"); }
    void InhibitIdleSleep(bool on) override { calls.push_back(on ? "sleep on" : "sleep off"); }
    bool Suspend() override {
        calls.push_back("suspend");
        return suspendTaken;
    }
};

// A power-supply folder: one sub-folder per supply with its attribute files.
struct Supply {
    const char* name;
    const char* type;
    const char* online;   // null = no file
    const char* scope;    // null = no file
    const char* present;  // null = no file
};

std::wstring MakeSupplies(const std::vector<Supply>& supplies) {
    std::string dir = test::TempDir();
    for (const Supply& s : supplies) {
        std::string sub = dir + "/" + s.name;
        mkdir(sub.c_str(), 0755);
        test::WriteFile(sub + "/type", std::string(s.type) + "\n");
        if (s.online) test::WriteFile(sub + "/online", std::string(s.online) + "\n");
        if (s.scope) test::WriteFile(sub + "/scope", std::string(s.scope) + "\n");
        if (s.present) test::WriteFile(sub + "/present", std::string(s.present) + "\n");
    }
    return WidePath(dir);
}

TEST(Power, ExternalPowerFromTheSupplyFolder) {
    struct Row {
        const char* what;
        std::vector<Supply> supplies;
        bool external;
    };
    const Row rows[] = {
        {"no supplies at all (a desktop)", {}, true},
        {"laptop on mains", {{"AC", "Mains", "1", nullptr, nullptr}, {"BAT0", "Battery", nullptr, nullptr, "1"}}, true},
        {"laptop on battery", {{"AC", "Mains", "0", nullptr, nullptr}, {"BAT0", "Battery", nullptr, nullptr, "1"}}, false},
        {"battery without a mains supply", {{"BAT1", "Battery", nullptr, "System", nullptr}}, false},
        {"only a wireless mouse's battery", {{"hidpp_battery_0", "Battery", nullptr, "Device", nullptr}}, true},
        {"mouse battery beside a system battery on battery power",
         {{"hidpp_battery_0", "Battery", nullptr, "Device", nullptr},
          {"AC", "Mains", "0", nullptr, nullptr},
          {"BAT0", "Battery", nullptr, nullptr, nullptr}},
         false},
        {"battery bay empty", {{"AC", "Mains", "0", nullptr, nullptr}, {"BAT0", "Battery", nullptr, nullptr, "0"}}, true},
        {"a USB supply is not mains", {{"usb", "USB", "1", nullptr, nullptr}, {"BAT0", "Battery", nullptr, nullptr, "1"}}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Power power(nullptr, MakeSupplies(r.supplies));
        EXPECT_EQ(r.external, power.OnExternalPower());
    }
    Power missing(nullptr, L"/nonexistent/power_supply");
    EXPECT_TRUE(missing.OnExternalPower());
}

TEST(Power, AutoOffRules) {
    const std::wstring onBattery =
        MakeSupplies({{"AC", "Mains", "0", nullptr, nullptr}, {"BAT0", "Battery", nullptr, nullptr, "1"}});
    const std::wstring onMains =
        MakeSupplies({{"AC", "Mains", "1", nullptr, nullptr}, {"BAT0", "Battery", nullptr, nullptr, "1"}});
    struct Row {
        const char* what;
        AutoOffRule rule;
        const std::wstring* supplies;
        int offAfterMs;  // -1 = never within a minute
    };
    // Input at t = 0, then timer 10 every 2500 ms: off at the first tick 10 s or more later.
    const Row rows[] = {
        {"playing, active, 10 s", {10, false, true, true}, &onMains, 10000},
        {"5 s", {5, false, true, true}, &onMains, 5000},
        {"never (0)", {0, false, true, true}, &onMains, -1},
        {"a negative delay is never", {-5, false, true, true}, &onMains, -1},
        {"not playing", {10, false, true, false}, &onMains, -1},
        {"window in the background", {10, false, false, true}, &onMains, -1},
        {"battery only, on mains", {10, true, true, true}, &onMains, -1},
        {"battery only, on battery", {10, true, true, true}, &onBattery, 10000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Power power(nullptr, *r.supplies);
        power.NoteActivity(0);
        int offAt = -1;
        for (uint32_t t = 2500; t <= 60000 && offAt < 0; t += 2500)
            if (power.OnAutoOffTimer(r.rule, t)) offAt = static_cast<int>(t);
        EXPECT_EQ(r.offAfterMs, offAt);
        EXPECT_EQ(r.offAfterMs < 0, power.IsDisplayOn());
    }
}

TEST(Power, IdleCountRestartsAfterABreakAndAtInput) {
    Power power;
    AutoOffRule playing{10, false, true, true};
    AutoOffRule paused = playing;
    paused.playing = false;
    power.NoteActivity(0);
    EXPECT_FALSE(power.OnAutoOffTimer(playing, 7500));
    EXPECT_FALSE(power.OnAutoOffTimer(paused, 10000));  // the break moves the start to 10 s
    EXPECT_FALSE(power.OnAutoOffTimer(playing, 17500));
    power.NoteActivity(18000);  // a key press
    EXPECT_FALSE(power.OnAutoOffTimer(playing, 20000));
    EXPECT_FALSE(power.OnAutoOffTimer(playing, 27500));
    EXPECT_TRUE(power.OnAutoOffTimer(playing, 30000));
    // Off already: the rule no longer holds, nothing more happens.
    EXPECT_FALSE(power.OnAutoOffTimer(playing, 45000));
    // The tick count wraps like the device's.
    Power wrapped;
    wrapped.NoteActivity(0xFFFFF000u);
    EXPECT_FALSE(wrapped.OnAutoOffTimer(playing, 0x1000u));
    EXPECT_TRUE(wrapped.OnAutoOffTimer(playing, 0x1000u + 10000u));
}

TEST(Power, DisplayStateListenerAndComingBack) {
    Power power;
    std::vector<bool> changes;
    power.SetDisplayListener([&](bool on) { changes.push_back(on); });
    EXPECT_TRUE(power.IsDisplayOn());
    EXPECT_FALSE(power.OnDisplayPollTimer());
    power.ToggleDisplay();
    EXPECT_FALSE(power.IsDisplayOn());
    EXPECT_FALSE(power.OnDisplayPollTimer());
    power.DisplayOff();  // no change, no report
    power.ToggleDisplay();
    EXPECT_TRUE(power.OnDisplayPollTimer());   // came back: repaint everything once
    EXPECT_FALSE(power.OnDisplayPollTimer());
    EXPECT_EQ((std::vector<bool>{false, true}), changes);
}

TEST(Power, InhibitsFollowPlaybackAndTheBacklightSetting) {
    FakeDesktop desktop;
    {
        Power power(&desktop);
        power.SetBacklightRequirement(true);  // held but not playing: the screen may still lock
        EXPECT_TRUE(desktop.calls.empty());
        power.SetPlaying(true);
        EXPECT_EQ((std::vector<std::string>{"screen on", "sleep on"}), desktop.calls);
        desktop.calls.clear();
        power.SetPlaying(true);  // timer 2 while playing: nothing new
        power.SetBacklightRequirement(false);
        power.SetBacklightRequirement(true);
        power.SetPlaying(false);
        EXPECT_EQ((std::vector<std::string>{"screen off", "screen on", "screen off", "sleep off"}), desktop.calls);
        desktop.calls.clear();
        power.SetPlaying(true);
        EXPECT_TRUE(power.SwitchOff());
        desktop.calls.clear();
    }
    // Gone while playing: everything is released.
    EXPECT_EQ((std::vector<std::string>{"screen off", "sleep off"}), desktop.calls);

    Power alone;  // no desktop services: nothing happens, the switch-off fails
    alone.SetBacklightRequirement(true);
    alone.SetPlaying(true);
    EXPECT_FALSE(alone.SwitchOff());
}

}  // namespace
}  // namespace vl
