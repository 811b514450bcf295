#pragma once
// The terminal player's live controls: when standard input and standard error are a terminal,
// one status line on stderr redrawn in place and single keys read without Enter. The terminal
// is put back as it was when the controls end, at exit, and on any signal that ends the program.
#include <string>

namespace vl {

enum class KeyAction { None, Pause, SeekBack, SeekForward, VolumeUp, VolumeDown, Next, Previous,
                       Repeat, Shuffle, Quit };

// One key sequence as read from the terminal (arrows arrive as ESC [ A..D).
KeyAction ActionForKeys(const std::string& keys);

class TerminalControls {
public:
    TerminalControls() = default;
    ~TerminalControls();
    TerminalControls(const TerminalControls&) = delete;
    TerminalControls& operator=(const TerminalControls&) = delete;

    // Takes the terminal when stdin and stderr are terminals; false (nothing changed) otherwise.
    bool Start();
    void End();
    bool Active() const { return active_; }

    // The next key waiting, or None.
    KeyAction ReadKey();
    // Redraws the status line.
    void ShowStatus(const std::string& status);
    // A line printed above the status line (through stdout when that is the terminal too).
    void PrintAbove(const std::string& line);

private:
    bool active_ = false;
    std::string status_;
};

}  // namespace vl
