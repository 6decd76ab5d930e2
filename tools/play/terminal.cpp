// The terminal, over termios and ANSI escape sequences (which every terminal
// emulator and tmux understand). The saved settings live in a static so the
// exit handler and the fatal-signal handler can put them back.
#include "tools/play/terminal.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

termios savedSettings{};
volatile sig_atomic_t terminalTaken = 0;

// Alternate screen off, cursor shown, attributes reset.
constexpr char restoreSequence[] = "\x1b[0m\x1b[?25h\x1b[?1049l";

void writeAll(const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t written = ::write(STDOUT_FILENO, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
}

// Only async-signal-safe calls: it also runs inside signal handlers.
void restoreTerminal() {
    if (!terminalTaken) return;
    terminalTaken = 0;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedSettings);
    writeAll(restoreSequence, sizeof restoreSequence - 1);
}

void restoreAndDie(int signalNumber) {
    restoreTerminal();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

}  // namespace

bool Terminal::enter() {
    if (entered) return true;
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return false;
    if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) return false;
    termios raw = savedSettings;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    // Ctrl+C still interrupts (the program ends cleanly on SIGINT); Ctrl+Z
    // would stop the program with the terminal still raw, so it is off.
    raw.c_cc[VSUSP] = _POSIX_VDISABLE;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) return false;
    terminalTaken = 1;
    static bool handlersInstalled = false;
    if (!handlersInstalled) {
        handlersInstalled = true;
        std::atexit(restoreTerminal);
        for (int fatal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT}) signal(fatal, restoreAndDie);
    }
    entered = true;
    // Alternate screen, cursor hidden, cleared.
    const char takeOver[] = "\x1b[?1049h\x1b[?25l\x1b[2J";
    writeAll(takeOver, sizeof takeOver - 1);
    shown.clear();
    return true;
}

void Terminal::leave() {
    if (!entered) return;
    entered = false;
    restoreTerminal();
}

void Terminal::size(int32_t& width, int32_t& height) const {
    winsize window{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) == 0 && window.ws_col > 0 && window.ws_row > 0) {
        width = window.ws_col;
        height = window.ws_row;
    } else {
        width = 80;
        height = 24;
    }
}

void Terminal::draw(const std::vector<std::string>& lines) {
    if (!entered) return;
    int32_t width = 0;
    int32_t height = 0;
    size(width, height);
    std::string out;
    // A new window size may have moved or wrapped what was shown.
    if (width != shownWidth || height != shownHeight) {
        out += "\x1b[2J";
        shown.clear();
        shownWidth = width;
        shownHeight = height;
    }
    const size_t rows = std::max(lines.size(), shown.size());
    for (size_t row = 0; row < rows; ++row) {
        const std::string& line = row < lines.size() ? lines[row] : std::string();
        if (row < shown.size() && shown[row] == line) continue;
        out += "\x1b[" + std::to_string(row + 1) + ";1H" + line + "\x1b[K";
    }
    shown = lines;
    if (!out.empty()) writeAll(out.data(), out.size());
}

size_t Terminal::readKeys(char* buffer, size_t capacity, int32_t timeoutMs) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, timeoutMs) <= 0 || !(input.revents & POLLIN)) return 0;
    ssize_t got = ::read(STDIN_FILENO, buffer, capacity);
    return got > 0 ? static_cast<size_t>(got) : 0;
}
