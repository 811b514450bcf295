#include "platform/power.h"

#include <utility>

#include "platform/files.h"

namespace vl {

namespace {

// First line of a small sysfs attribute, without its line end; empty when unreadable.
std::string ReadAttribute(const std::wstring& dir, const wchar_t* name) {
    std::string text;
    if (!ReadFileBytes(JoinPath(dir, name), text, 256)) return std::string();
    size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.resize(end);
    return text;
}

}  // namespace

Power::Power(DesktopPower* desktop, std::wstring powerSupplyDir)
    : desktop_(desktop), powerSupplyDir_(std::move(powerSupplyDir)) {}

Power::~Power() {
    // Nothing may stay inhibited after the player is gone.
    backlight_ = false;
    playing_ = false;
    ApplyInhibits();
}

bool Power::SetDisplay(bool on) {
    if (displayOn_ == on) return true;
    displayOn_ = on;
    if (listener_) listener_(on);
    return true;
}

bool Power::DisplayOn() { return SetDisplay(true); }

bool Power::DisplayOff() { return SetDisplay(false); }

bool Power::ToggleDisplay() { return SetDisplay(!displayOn_); }

bool Power::OnAutoOffTimer(const AutoOffRule& rule, uint32_t now) {
    // A negative stored delay counts as never rather than as "at once".
    bool candidate = rule.autoOffSeconds > 0 && rule.windowActive && rule.playing && IsDisplayOn() &&
                     (!rule.onlyOnBattery || !OnExternalPower());
    if (candidate && (now - lastInputTick_) / 1000 < static_cast<uint32_t>(rule.autoOffSeconds)) return false;
    bool off = candidate && DisplayOff();
    // Any break in the rule restarts the idle count.
    lastInputTick_ = now;
    return off;
}

bool Power::OnDisplayPollTimer() {
    bool cameBack = displayOn_ && !displaySeenOn_;
    displaySeenOn_ = displayOn_;
    return cameBack;
}

bool Power::OnExternalPower() const {
    int batteries = 0;
    for (const DirEntry& entry : ListDirectory(powerSupplyDir_)) {
        std::wstring supply = JoinPath(powerSupplyDir_, entry.name);
        std::string type = ReadAttribute(supply, L"type");
        if (type == "Mains") {
            if (ReadAttribute(supply, L"online") == "1") return true;
        } else if (type == "Battery") {
            if (ReadAttribute(supply, L"scope") == "Device") continue;
            if (ReadAttribute(supply, L"present") == "0") continue;
            ++batteries;
        }
    }
    return batteries == 0;
}

void Power::SetBacklightRequirement(bool on) {
    backlight_ = on;
    ApplyInhibits();
}

void Power::SetPlaying(bool playing) {
    playing_ = playing;
    ApplyInhibits();
}

void Power::ApplyInhibits() {
    bool screen = backlight_ && playing_;
    if (screen != screenInhibited_) {
        screenInhibited_ = screen;
        if (desktop_) desktop_->InhibitScreenSaver(screen);
    }
    if (playing_ != sleepInhibited_) {
        sleepInhibited_ = playing_;
        if (desktop_) desktop_->InhibitIdleSleep(playing_);
    }
}

bool Power::SwitchOff() { return desktop_ && desktop_->Suspend(); }

}  // namespace vl
