// What the end-to-end tests need to drive the real program: a private Xvfb
// server, child processes with their own environment and captured stderr,
// and a few Xlib look-ups (windows by name, screen pixels, the window
// manager's close message).
#pragma once

#include <X11/Xlib.h>

#include <sys/types.h>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Polls until ready() is true or the timeout passes; true when it became true.
bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout);

// A child process. Its stderr goes to a file that stderrText() reads back.
class ChildProcess {
public:
    // Starts program with argv and the current environment changed by
    // environment ("NAME=value" sets, "NAME" alone removes).
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The exit code once it has exited by itself, or none (still running, or
    // killed by a signal; see signalled()).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool exited() const { return finished_; }
    bool signalled() const { return finished_ && termSignal_ != 0; }
    std::string stderrText() const;

private:
    pid_t pid_ = -1;
    bool finished_ = false;
    int exitCode_ = -1;
    int termSignal_ = 0;
    std::string stderrPath_;
};

// A private Xvfb server on a free display number, with an Xlib connection.
class XvfbServer {
public:
    XvfbServer(int width, int height);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return display_ != nullptr; }
    const std::string& name() const { return name_; }  // ":N"

    // The first viewable window titled title, or none.
    std::optional<Window> findWindow(const std::string& title);
    // The window's rectangle on the screen: x, y, width, height.
    std::array<int, 4> screenRect(Window window);
    // The screen's pixel as red, green, blue.
    std::array<int, 3> screenPixel(int x, int y);
    // Sends the window manager's close request (WM_DELETE_WINDOW).
    void requestClose(Window window);

private:
    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};
