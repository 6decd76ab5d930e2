// The Win32 window procedure and the message loop's drain, on a message-only
// window of their own class (no desktop needed): the keyDown table, the quit
// message on close, refused screen blanking and the Escape latch.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/display.h"
#include "app/display_events.h"
#include "app/win32/window_proc.h"

namespace {

class WindowProc : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = displayWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "WindowProcTest";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "WindowProcTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                                 nullptr);
        ASSERT_NE(window, nullptr) << GetLastError();
        displayState.keyDown.fill(0);
        displayState.escapePressed = false;
        drainQueue();
    }
    void TearDown() override {
        DestroyWindow(window);
        UnregisterClassA("WindowProcTest", GetModuleHandleA(nullptr));
        drainQueue();
    }
    static void drainQueue() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }
    // The quit message's exit code, or -1 when none is queued.
    static int64_t queuedQuitCode() {
        MSG message;
        return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int64_t>(message.wParam) : -1;
    }
    HWND window = nullptr;
};

TEST_F(WindowProc, KeyDownSetsAndKeyUpClearsTheEntryOfItsVirtualKey) {
    // Escape, a letter, F1, the last code, and a word whose high bits only a
    // forged message would set (kept inside the table).
    const struct {
        WPARAM wParam;
        size_t entry;
    } keys[] = {{VK_ESCAPE, 27}, {'A', 65}, {VK_F1, 112}, {255, 255}, {0x11B, 27}};
    for (const auto& key : keys) {
        SCOPED_TRACE(testing::Message() << "wParam " << key.wParam);
        EXPECT_EQ(SendMessageA(window, WM_KEYDOWN, key.wParam, 0), 0);
        EXPECT_EQ(displayState.keyDown[key.entry], 1u);
        EXPECT_EQ(SendMessageA(window, WM_KEYUP, key.wParam, 0), 0);
        EXPECT_EQ(displayState.keyDown[key.entry], 0u);
    }
    // System keys (Alt held) are not recorded.
    SendMessageA(window, WM_SYSKEYDOWN, 'X', 0);
    EXPECT_EQ(displayState.keyDown['X'], 0u);
}

TEST_F(WindowProc, CloseAndTheCloseCommandPostTheQuitMessageWithCodeZero) {
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(queuedQuitCode(), 0);
    // Other system commands get the default handling, which turns the close
    // command into WM_CLOSE.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(queuedQuitCode(), 0);
}

TEST_F(WindowProc, ScreenSaverAndMonitorPowerOffAreRefused) {
    for (WPARAM command : {WPARAM{SC_SCREENSAVE}, WPARAM{SC_MONITORPOWER}, WPARAM{SC_MONITORPOWER | 2}}) {
        SCOPED_TRACE(testing::Message() << "command " << command);
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 2), 0);
        EXPECT_EQ(queuedQuitCode(), -1);
    }
}

TEST_F(WindowProc, DrainLatchesAnEscapeTapAndStopsAtTheQuitMessage) {
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_EQ(pumpDisplayEvents(), DisplayEventResult::Handled);
    EXPECT_EQ(displayState.keyDown[escapeKey], 0u);
    EXPECT_TRUE(displayState.escapePressed);

    PostQuitMessage(0);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(pumpDisplayEvents(), DisplayEventResult::Quit);
    // WM_QUIT is retrieved after the posted messages, so 'A' went first; the
    // queue holds nothing more.
    EXPECT_EQ(displayState.keyDown['A'], 1u);
    EXPECT_EQ(pumpDisplayEvents(), DisplayEventResult::Handled);
}

}  // namespace
