// The message requester with real windows on a virtual display: while the
// box is open, the thread's other visible windows are disabled and out of
// the topmost band and the foreground window owns the box; afterwards all
// is as before. A watcher thread looks at the windows while the box is
// open and then presses OK.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime/message.h"
#include "runtime/runtime.h"

namespace {

struct WindowLayout {
    const char* name;
    bool visible;
    bool enabled;
    bool topmost;
};

struct State {
    bool enabled;
    bool topmost;
    bool operator==(const State& other) const {
        return enabled == other.enabled && topmost == other.topmost;
    }
};

State stateOf(HWND window) {
    return {IsWindowEnabled(window) != FALSE,
            (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0};
}

std::ostream& operator<<(std::ostream& out, const State& s) {
    return out << (s.enabled ? "enabled" : "disabled") << (s.topmost ? " topmost" : "");
}

HWND makeWindow(const WindowLayout& layout) {
    static ATOM windowClass = 0;
    if (!windowClass) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"CelpackMessageTest";
        windowClass = RegisterClassW(&wc);
    }
    wchar_t title[64];
    MultiByteToWideChar(CP_UTF8, 0, layout.name, -1, title, 64);
    HWND window = CreateWindowExW(layout.topmost ? WS_EX_TOPMOST : 0, L"CelpackMessageTest", title,
                                  WS_OVERLAPPEDWINDOW | (layout.visible ? WS_VISIBLE : 0), 10, 10,
                                  200, 100, NULL, NULL, GetModuleHandleW(NULL), NULL);
    if (window && !layout.enabled) EnableWindow(window, FALSE);
    return window;
}

struct BoxSearch {
    const wchar_t* caption;
    HWND box;
};

BOOL CALLBACK findBox(HWND window, LPARAM extra) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(extra);
    wchar_t text[128] = {0};
    GetWindowTextW(window, text, 128);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        wcscmp(text, search->caption) == 0) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

// Waits for the box, notes the windows' states and the box's owner, then
// presses OK.
struct Watcher {
    std::vector<HWND> windows;
    std::vector<State> during;
    std::vector<HeldWindow> held;
    HWND owner = NULL;
    bool found = false;
    std::thread thread;

    void start(const wchar_t* caption) {
        thread = std::thread([this, caption] {
            BoxSearch search = {caption, NULL};
            for (int tries = 0; tries < 600 && !search.box; ++tries) {
                Sleep(50);
                EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
            }
            if (!search.box) return;
            found = true;
            Sleep(100);
            for (HWND window : windows) during.push_back(stateOf(window));
            for (void* r = newestListRecord(&heldWindows); r; r = olderListRecord(r))
                held.push_back(*static_cast<HeldWindow*>(r));
            owner = GetWindow(search.box, GW_OWNER);
            PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
    }
};

class MessageRequester : public ::testing::Test {
protected:
    void SetUp() override {
        static const RuntimeLibraries none = {};
        startRuntime(&none);
    }
    void TearDown() override { stopRuntime(); }
};

// Runs first: the next test leaves its windows to the process's end.
TEST_F(MessageRequester, WithoutWindowsTheBoxHasNoOwner) {
    Watcher watcher;
    watcher.start(L"celpack lone box");
    EXPECT_EQ(showMessage(L"celpack lone box", L"no windows", 0), IDOK);
    watcher.thread.join();
    ASSERT_TRUE(watcher.found);
    EXPECT_EQ(watcher.owner, nullptr);
}

TEST_F(MessageRequester, HoldsTheThreadsWindowsWhileTheBoxIsOpen) {
    // The other thread's window lives on a thread that pumps its messages.
    HWND foreign = NULL;
    DWORD foreignThread = 0;
    std::atomic<bool> foreignReady(false);
    std::thread other([&] {
        foreign = makeWindow({"foreign", true, true, true});
        foreignThread = GetCurrentThreadId();
        foreignReady = true;
        MSG message;
        while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
    });
    while (!foreignReady) Sleep(10);

    const WindowLayout layouts[] = {
        {"foreground", true, true, true},  // owns the box; leaves the band only
        {"plain", true, true, false},      // disabled while open
        {"already disabled", true, false, false},
        {"hidden", false, true, false},  // not touched
        {"topmost", true, true, true},   // disabled and out of the band
    };
    struct Expect {
        State during;
    } const expected[] = {
        // The box itself disables its owner while it is open.
        {{false, false}}, {{false, false}}, {{false, false}}, {{true, false}}, {{false, false}},
    };
    std::vector<HWND> windows;
    for (const WindowLayout& layout : layouts) {
        windows.push_back(makeWindow(layout));
        ASSERT_NE(windows.back(), nullptr);
    }
    SetForegroundWindow(windows[0]);
    ASSERT_EQ(GetForegroundWindow(), windows[0]);

    Watcher watcher;
    watcher.windows = windows;
    watcher.windows.push_back(foreign);
    std::vector<State> before;
    for (HWND window : watcher.windows) before.push_back(stateOf(window));
    watcher.start(L"celpack message test");

    int32_t answer = showMessage(L"celpack message test", L"held windows", 0);
    watcher.thread.join();

    EXPECT_EQ(answer, IDOK);
    ASSERT_TRUE(watcher.found);
    EXPECT_EQ(watcher.owner, windows[0]);
    // Held: the visible windows of this thread, the foreground one only
    // out of the band, not disabled by the hold.
    ASSERT_EQ(watcher.held.size(), 4u);
    for (const HeldWindow& record : watcher.held) {
        EXPECT_EQ(record.threadId, GetCurrentThreadId());
        if (record.window == windows[0]) {
            EXPECT_EQ(record.disabledHere, 0);
            EXPECT_EQ(record.wasTopmost, 1);
        }
        EXPECT_NE(record.window, windows[3]) << "the hidden window";
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(watcher.during[i], expected[i].during) << layouts[i].name;
        EXPECT_EQ(stateOf(windows[i]), before[i]) << layouts[i].name << " afterwards";
    }
    EXPECT_EQ(watcher.during.back(), before.back()) << "the other thread's window";
    EXPECT_EQ(stateOf(foreign), before.back());
    EXPECT_EQ(GetForegroundWindow(), windows[0]);
    EXPECT_EQ(newestListRecord(&heldWindows), nullptr);

    // Hiding or destroying a window on the virtual display takes Wine two
    // seconds each; the windows go with the process.
    PostThreadMessageW(foreignThread, WM_QUIT, 0, 0);
    other.join();
}

}  // namespace
