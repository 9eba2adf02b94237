// Common controls and COM start-up. The native build has no controls and
// no COM objects; the calls answer as the platform's do.
#include "platform/native/kernel.h"
#include "platform/native/user.h"

namespace {
thread_local long comInitialisations = 0;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    if (!controls || controls->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    return TRUE;
}

// S_OK for the thread's first call, S_FALSE for each one after it.
HRESULT CoInitialize(LPVOID) { return comInitialisations++ == 0 ? S_OK : S_FALSE; }
