#include "app/terminal_controls.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vl {

namespace {

// Saved once; restored from signal handlers too, so it lives outside any object.
struct termios g_saved;
volatile sig_atomic_t g_taken = 0;

void RestoreTerminal() {
    if (!g_taken) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    static const char kShowCursor[] = "\r\033[K\033[?25h";
    ssize_t ignored = write(STDERR_FILENO, kShowCursor, sizeof(kShowCursor) - 1);
    (void)ignored;
    g_taken = 0;
}

void OnFatalSignal(int sig) {
    RestoreTerminal();
    std::signal(sig, SIG_DFL);
    raise(sig);
}

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE};

}  // namespace

KeyAction ActionForKeys(const std::string& keys) {
    if (keys == "\033[D") return KeyAction::SeekBack;
    if (keys == "\033[C") return KeyAction::SeekForward;
    if (keys == "\033[A") return KeyAction::VolumeUp;
    if (keys == "\033[B") return KeyAction::VolumeDown;
    if (keys.size() != 1) return KeyAction::None;
    switch (keys[0]) {
    case ' ': return KeyAction::Pause;
    case 'n': return KeyAction::Next;
    case 'p': return KeyAction::Previous;
    case 'r': return KeyAction::Repeat;
    case 's': return KeyAction::Shuffle;
    case 'q': return KeyAction::Quit;
    default: return KeyAction::None;
    }
}

TerminalControls::~TerminalControls() { End(); }

bool TerminalControls::Start() {
    if (active_ || !isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) return false;
    if (tcgetattr(STDIN_FILENO, &g_saved) != 0) return false;
    struct termios raw = g_saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return false;
    g_taken = 1;
    for (int sig : kSignals) std::signal(sig, OnFatalSignal);
    std::atexit(RestoreTerminal);
    std::fputs("\033[?25l", stderr);
    active_ = true;
    return true;
}

void TerminalControls::End() {
    if (!active_) return;
    active_ = false;
    std::fflush(stderr);
    RestoreTerminal();
}

KeyAction TerminalControls::ReadKey() {
    if (!active_) return KeyAction::None;
    struct pollfd fd = {STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, 0) <= 0) return KeyAction::None;
    if (fd.revents & (POLLHUP | POLLERR)) return KeyAction::Quit;
    char buf[8];
    ssize_t n = read(STDIN_FILENO, buf, sizeof(buf));
    if (n <= 0) return KeyAction::None;
    return ActionForKeys(std::string(buf, static_cast<size_t>(n)));
}

void TerminalControls::ShowStatus(const std::string& status) {
    if (!active_ || status == status_) return;
    status_ = status;
    std::fprintf(stderr, "\r\033[K%s", status.c_str());
    std::fflush(stderr);
}

void TerminalControls::PrintAbove(const std::string& line) {
    if (!active_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "%s", status_.c_str());
    std::fflush(stderr);
}

}  // namespace vl
