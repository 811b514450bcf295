#pragma once
// Display and backlight at run time: the power state of the emulated device screen, the idle
// rule that switches it off while music plays, the battery rule, and the desktop services that
// stand in for the device's backlight requirement, idle-timer reset and switch-off.
//
// Thread: the user-interface thread only. Times are GetTickCount milliseconds handed in by the
// caller (so a test drives the rules with its own clock); they wrap like the tick count.
// The desktop services are borrowed and may be absent: then the inhibits and the suspend do
// nothing, as on a device without a power manager.
#include <cstdint>
#include <functional>
#include <string>

namespace vl {

// What the desktop offers in place of the device's power manager; the GUI implements it over
// D-Bus. Every call is best effort: where no service answers, nothing happens.
class DesktopPower {
public:
    virtual ~DesktopPower() = default;
    // Keeps the screen saver from starting (the backlight held on); idempotent.
    virtual void InhibitScreenSaver(bool on) = 0;
    // Keeps the system from suspending for idleness (the idle-timer reset); idempotent.
    virtual void InhibitIdleSleep(bool on) = 0;
    // Asks the system to suspend; false when nobody took the request.
    virtual bool Suspend() = 0;
};

// What the automatic turn-off (timer 10) needs besides the clock.
struct AutoOffRule {
    int autoOffSeconds = 0;      // "DispAutoOff"; 0 (or less) = never
    bool onlyOnBattery = false;  // "DispEnableBattery"
    bool windowActive = false;   // the window is the active one
    bool playing = false;        // the engine's state is playing
};

class Power {
public:
    static constexpr const wchar_t* kPowerSupplyDir = L"/sys/class/power_supply";

    // powerSupplyDir: the folder of power supplies (a test gives its own).
    explicit Power(DesktopPower* desktop = nullptr, std::wstring powerSupplyDir = kPowerSupplyDir);
    ~Power();
    Power(const Power&) = delete;
    Power& operator=(const Power&) = delete;

    // ---- the emulated screen; every change of state goes to the listener ----
    bool DisplayOn();
    bool DisplayOff();
    bool ToggleDisplay();
    bool IsDisplayOn() const { return displayOn_; }
    void SetDisplayListener(std::function<void(bool on)> listener) { listener_ = std::move(listener); }

    // ---- idle rule ----
    // User input (keys, pointer, wheel, commands) at time now.
    void NoteActivity(uint32_t now) { lastInputTick_ = now; }
    uint32_t GetLastInputTick() const { return lastInputTick_; }
    // Timer 10 (every 2500 ms): the display goes off once the rule has held without a break for
    // the whole delay since the last input. True when it went off.
    bool OnAutoOffTimer(const AutoOffRule& rule, uint32_t now);
    // Timer 11 (every 500 ms): true when the display came back since the last call, so the
    // window repaints everything (nothing was painted while it was off).
    bool OnDisplayPollTimer();

    // ---- battery ----
    // Mains online, or no system battery at all (a desktop). Batteries of devices (a wireless
    // mouse: scope "Device") and batteries marked not present do not count.
    bool OnExternalPower() const;

    // ---- desktop services ----
    // The backlight requirement ("AlwaysTurnOnBackLight"). The screen saver is inhibited only
    // while it is held and music plays, so the desktop still locks when the player idles.
    void SetBacklightRequirement(bool on);
    bool HasBacklightRequirement() const { return backlight_; }
    // The engine's state, at every change and on timer 2: while playing the system does not
    // suspend for idleness.
    void SetPlaying(bool playing);
    // The sleep timer's final switch-off: suspend the system. False when it could not.
    bool SwitchOff();

private:
    bool SetDisplay(bool on);
    void ApplyInhibits();

    DesktopPower* desktop_;
    std::wstring powerSupplyDir_;
    std::function<void(bool)> listener_;
    bool displayOn_ = true;
    bool displaySeenOn_ = true;
    uint32_t lastInputTick_ = 0;
    bool backlight_ = false;
    bool playing_ = false;
    bool screenInhibited_ = false;
    bool sleepInhibited_ = false;
};

}  // namespace vl
