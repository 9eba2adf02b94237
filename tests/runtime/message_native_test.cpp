// The message requester over the native layer's window registry: which
// windows the hold touches, in what order, which window owns the box, and
// that the release gives back exactly what the hold took.
#include <gtest/gtest.h>

#include <string>
#include <future>
#include <thread>
#include <vector>

#include "support/native_fakes.h"
#include "runtime/message.h"
#include "runtime/runtime.h"

namespace {

enum Owner { thisThread, otherThread, otherProcess };

struct WindowLayout {
    Owner owner;
    bool visible;
    bool enabled;
    bool topmost;
};

struct Case {
    const char* name;
    std::vector<WindowLayout> windows;  // added in this order: w1, w2, ...
    int foreground;                     // 1-based window number, 0 for none
    const char* log;                    // EnableWindow, SetWindowPos, owner
};

const DWORD otherProcessId = 0x7FFF0001;

// Windows are enumerated top first; each new window goes on top of its
// band, topmost windows above the rest. The hold records them in that
// order at the list's head, so both walks run in the opposite order.
const Case cases[] = {
    {"NoWindowsNoOwner", {}, 0, "MessageBoxW owner null\n"},
    {"ForegroundOwnsTheBoxAndStaysEnabled",
     {{thisThread, true, true, false}, {thisThread, true, true, false}},
     1,
     "EnableWindow w2 FALSE\n"
     "MessageBoxW owner w1\n"
     "EnableWindow w2 TRUE\n"},
    {"DisabledAndHiddenWindowsAreLeftAlone",
     {{thisThread, true, false, false},
      {thisThread, false, true, false},
      {thisThread, false, true, true}},
     0,
     "MessageBoxW owner null\n"},
    {"TopmostWindowsLeaveTheBandAndComeBack",
     {{thisThread, true, true, true},
      {thisThread, true, true, true},
      {thisThread, true, true, false}},
     1,
     "EnableWindow w2 FALSE\n"
     "EnableWindow w3 FALSE\n"
     "SetWindowPos w1 HWND_NOTOPMOST NOMOVE NOSIZE NOACTIVATE\n"
     "SetWindowPos w2 HWND_NOTOPMOST NOMOVE NOSIZE NOACTIVATE\n"
     "MessageBoxW owner w1\n"
     "EnableWindow w3 TRUE\n"
     "SetWindowPos w1 HWND_TOPMOST NOMOVE NOSIZE NOACTIVATE\n"
     "EnableWindow w2 TRUE\n"
     "SetWindowPos w2 HWND_TOPMOST NOMOVE NOSIZE NOACTIVATE\n"},
    {"OtherThreadsAndProcessesAreNeverTouched",
     {{otherThread, true, true, true},
      {otherProcess, true, true, true},
      {thisThread, true, true, false}},
     0,
     "EnableWindow w3 FALSE\n"
     "MessageBoxW owner null\n"
     "EnableWindow w3 TRUE\n"},
    {"ForegroundOfAnotherProcessIsNoOwner",
     {{otherProcess, true, true, false}, {thisThread, true, true, false}},
     1,
     "EnableWindow w2 FALSE\n"
     "MessageBoxW owner null\n"
     "EnableWindow w2 TRUE\n"},
    {"ForegroundOfAnotherThreadOfThisProcessOwnsTheBox",
     {{otherThread, true, true, false}},
     1,
     "MessageBoxW owner w1\n"},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class MessageRequester : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        static const RuntimeLibraries none = {};  // the runtime keeps the address
        startRuntime(&none);
        nativeClearWindows();
        nativeSetMessageBoxAnswer(IDOK);
    }
    void TearDown() override {
        nativeClearWindows();
        nativeSetMessageBoxAnswer(IDOK);
        stopRuntime();
    }
};

struct WindowState {
    BOOL enabled;
    LONG exStyle;
    bool operator==(const WindowState& other) const {
        return enabled == other.enabled && exStyle == other.exStyle;
    }
};

TEST_P(MessageRequester, HoldsAndReleasesTheThreadsWindows) {
    const Case& c = GetParam();
    std::vector<HWND> handles;
    for (const WindowLayout& layout : c.windows) {
        DWORD thread = GetCurrentThreadId() + (layout.owner == thisThread ? 0 : 1);
        DWORD process = layout.owner == otherProcess ? otherProcessId : GetCurrentProcessId();
        handles.push_back(nativeAddWindow(thread, process, layout.visible, layout.enabled,
                                          layout.topmost ? WS_EX_TOPMOST : 0));
    }
    if (c.foreground) nativeSetForegroundWindow(handles[c.foreground - 1]);

    std::vector<WindowState> before;
    for (HWND window : handles)
        before.push_back({IsWindowEnabled(window), GetWindowLongA(window, GWL_EXSTYLE)});
    long blocks = nativeHeapBlockCount(runtimeHeap);
    HWND foreground = GetForegroundWindow();

    EXPECT_EQ(showMessage(UTF16("Error"), UTF16("text"), 0), IDOK);

    EXPECT_EQ(std::string(nativeWindowLog()), c.log);
    for (size_t i = 0; i < handles.size(); ++i) {
        WindowState after = {IsWindowEnabled(handles[i]), GetWindowLongA(handles[i], GWL_EXSTYLE)};
        EXPECT_TRUE(after == before[i]) << "w" << i + 1;
    }
    EXPECT_EQ(GetForegroundWindow(), foreground);
    EXPECT_EQ(newestListRecord(&heldWindows), nullptr);
    EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
}

INSTANTIATE_TEST_SUITE_P(Windows, MessageRequester, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

TEST_F(MessageRequester, ReturnsTheButtonThatClosedTheBox) {
    for (int answer : {IDOK, 2, 7, 0, -1}) {
        nativeSetMessageBoxAnswer(answer);
        EXPECT_EQ(showMessage(UTF16("c"), UTF16("t"), 0x24), answer);
    }
}

// The release walks every record of its thread, not only the latest
// hold's, and leaves another thread's records where they are.
TEST_F(MessageRequester, ReleaseActsOnItsOwnThreadOnly) {
    HWND mine = nativeAddWindow(GetCurrentThreadId(), GetCurrentProcessId(), TRUE, TRUE, 0);
    HWND theirs = NULL;
    std::promise<void> held, mayRelease;
    std::thread other([&] {
        theirs = nativeAddWindow(GetCurrentThreadId(), GetCurrentProcessId(), TRUE, TRUE, 0);
        holdThreadWindows();
        held.set_value();
        mayRelease.get_future().wait();
        releaseThreadWindows();
    });
    held.get_future().wait();
    holdThreadWindows();
    holdThreadWindows();  // the window is disabled now, so only recorded
    EXPECT_FALSE(IsWindowEnabled(mine));
    EXPECT_FALSE(IsWindowEnabled(theirs));

    releaseThreadWindows();
    EXPECT_TRUE(IsWindowEnabled(mine));
    EXPECT_FALSE(IsWindowEnabled(theirs));
    std::vector<HWND> left;
    for (void* r = newestListRecord(&heldWindows); r; r = olderListRecord(r))
        left.push_back(static_cast<HeldWindow*>(r)->window);
    EXPECT_EQ(left, std::vector<HWND>{theirs});

    mayRelease.set_value();
    other.join();
    EXPECT_TRUE(IsWindowEnabled(theirs));
    EXPECT_EQ(newestListRecord(&heldWindows), nullptr);
}

// Without a record for a window the hold cannot give it back, so it does
// not take it.
TEST_F(MessageRequester, WindowWithoutRecordIsLeftAlone) {
    HWND window =
        nativeAddWindow(GetCurrentThreadId(), GetCurrentProcessId(), TRUE, TRUE, WS_EX_TOPMOST);
    nativeFailAllocation(runtimeHeap, 1);
    EXPECT_EQ(showMessage(UTF16("Error"), UTF16("t"), 0), IDOK);
    nativeFailAllocation(NULL, 0);
    EXPECT_EQ(std::string(nativeWindowLog()), "MessageBoxW owner null\n");
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE), WS_EX_TOPMOST);
}

}  // namespace
