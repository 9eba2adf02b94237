// Native-only process calls: identities are the system's, ExitProcess
// flushes and exits with its code, and the seam that hides msimg32.
#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/native_fakes.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

TEST(NativeProcess, IdentitiesAreTheSystems) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
    EXPECT_EQ(GetCurrentThreadId(), static_cast<DWORD>(syscall(SYS_gettid)));
}

TEST(NativeProcess, ExitProcessFlushesAndPassesItsCode) {
    const char* path = "kernel_exit_output.txt";
    for (UINT code : {0u, 3u, 255u}) {
        fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!freopen(path, "w", stdout)) _exit(100);
            printf("unflushed");  // no newline: sits in the buffer
            ExitProcess(code);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(static_cast<UINT>(WEXITSTATUS(status)), code);
        std::vector<unsigned char> bytes = testsupport::readFileBytes(path);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "unflushed");
    }
    remove(path);
}

TEST(NativeProcess, HidingMsimg32OrItsEntry) {
    struct Case {
        BOOL hideLibrary, hideEntry;
        bool library, entry;
    };
    const Case cases[] = {
        {FALSE, FALSE, true, true},
        {FALSE, TRUE, true, false},
        {TRUE, FALSE, false, false},
    };
    for (const Case& c : cases) {
        nativeHideAlphaBlend(c.hideLibrary, c.hideEntry);
        HMODULE module = LoadLibraryW(UTF16("msimg32.dll"));
        EXPECT_EQ(module != nullptr, c.library);
        if (module) {
            EXPECT_EQ(GetProcAddress(module, "AlphaBlend") != nullptr, c.entry);
            FreeLibrary(module);
        }
    }
    nativeHideAlphaBlend(FALSE, FALSE);
}

TEST(NativeProcess, ModulesCountTheirLoads) {
    HMODULE first = LoadLibraryW(UTF16("msimg32.dll"));
    HMODULE second = LoadLibraryW(UTF16("msimg32.dll"));
    ASSERT_EQ(first, second);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(second, "AlphaBlend"), nullptr) << "still loaded once";
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(GetProcAddress(second, "AlphaBlend"), nullptr);
    EXPECT_FALSE(FreeLibrary(second));
}

TEST(NativeProcess, ThreadSlotsRunOut) {
    std::vector<DWORD> taken;
    for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
    EXPECT_GE(taken.size(), 1000u);
    EXPECT_FALSE(TlsSetValue(TLS_OUT_OF_INDEXES, nullptr));
    for (DWORD index : taken) EXPECT_TRUE(TlsFree(index));
    EXPECT_FALSE(TlsFree(taken[0])) << "freed twice";
}

}  // namespace
