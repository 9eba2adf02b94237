// Process and thread identity, and the end of the process.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/native/kernel.h"
#include "platform/native/process_entry.h"
#include "platform/native/kernel/kernel_services.h"

DWORD GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

DWORD GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

// exit() rather than _exit(): standard streams are flushed and the leak
// checker of the sanitizer builds gets its say.
void ExitProcess(UINT exitCode) {
    fflush(nullptr);
    exit(static_cast<int>(exitCode));
}

void nativeStartProcess(int count, char** arguments) {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    native::setArguments(count, arguments);
}
