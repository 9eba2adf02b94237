// Thread-local slots, modules, thread identity and the start-up calls of
// common controls and COM, on both builds.
#include <gtest/gtest.h>

#include <string.h>

#include <thread>

#include "platform/platform.h"

namespace {

TEST(ThreadSlots, ValuesBelongToTheirSlotAndThread) {
    DWORD first = TlsAlloc();
    DWORD second = TlsAlloc();
    ASSERT_NE(first, TLS_OUT_OF_INDEXES);
    ASSERT_NE(second, TLS_OUT_OF_INDEXES);
    EXPECT_NE(first, second);

    SetLastError(99);
    EXPECT_EQ(TlsGetValue(first), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS))
        << "a fresh slot holds null, which is no failure";
    int a = 0, b = 0;
    EXPECT_TRUE(TlsSetValue(first, &a));
    EXPECT_TRUE(TlsSetValue(second, &b));
    EXPECT_EQ(TlsGetValue(first), &a);
    EXPECT_EQ(TlsGetValue(second), &b);

    void* seenByOther = &a;
    std::thread other([&] {
        seenByOther = TlsGetValue(first);
        TlsSetValue(first, &b);
    });
    other.join();
    EXPECT_EQ(seenByOther, nullptr);
    EXPECT_EQ(TlsGetValue(first), &a) << "another thread's value stays its own";

    // A slot handed out again starts empty.
    EXPECT_TRUE(TlsFree(first));
    DWORD again = TlsAlloc();
    ASSERT_NE(again, TLS_OUT_OF_INDEXES);
    if (again == first) EXPECT_EQ(TlsGetValue(again), nullptr);
    TlsFree(again);
    TlsFree(second);
}

TEST(Modules, Msimg32AndItsAlphaBlendEntry) {
    const WCHAR* names[] = {UTF16("msimg32.dll"), UTF16("MSIMG32.DLL"), UTF16("MsImg32")};
    for (const WCHAR* name : names) {
        HMODULE module = LoadLibraryW(name);
        ASSERT_NE(module, nullptr);
        EXPECT_NE(GetProcAddress(module, "AlphaBlend"), nullptr);
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
        EXPECT_TRUE(FreeLibrary(module));
    }
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(UTF16("celpack_no_such_library.dll")), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(Threads, EachThreadHasItsOwnIdentity) {
    DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD process = GetCurrentProcessId();
    DWORD theirs = mine;
    DWORD theirProcess = 0;
    std::thread other([&] {
        theirs = GetCurrentThreadId();
        theirProcess = GetCurrentProcessId();
    });
    other.join();
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(theirProcess, process);
    EXPECT_NE(process, 0u);
}

TEST(UserInterfaceStart, CommonControlsCheckTheStructureSize) {
    INITCOMMONCONTROLSEX controls;
    controls.dwICC = 0x0B48;
    controls.dwSize = sizeof controls;
    EXPECT_EQ(controls.dwSize, 8u);
    EXPECT_TRUE(InitCommonControlsEx(&controls));
    controls.dwSize = 4;
    EXPECT_FALSE(InitCommonControlsEx(&controls));
}

TEST(UserInterfaceStart, ComStartsOncePerThread) {
    std::thread fresh([] {
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    });
    fresh.join();
}

}  // namespace
