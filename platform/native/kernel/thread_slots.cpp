// Thread-local storage slots. A slot's value is null in every thread when
// the slot is handed out; a per-slot generation stands in for clearing the
// slot in threads that are not running this call.
#include <mutex>

#include "platform/native/kernel.h"

namespace {

// As many slots as the platform offers a process.
const DWORD slotCount = 1088;

struct Slots {
    std::mutex lock;
    bool used[slotCount] = {};
    unsigned long generation[slotCount] = {};
};

Slots& slots() {
    static Slots* state = new Slots;
    return *state;
}

struct ThreadValue {
    LPVOID value;
    unsigned long generation;
};

thread_local ThreadValue threadValues[slotCount];

bool inUse(Slots& state, DWORD index) { return index < slotCount && state.used[index]; }

}  // namespace

DWORD TlsAlloc(void) {
    Slots& state = slots();
    std::lock_guard<std::mutex> guard(state.lock);
    for (DWORD index = 0; index < slotCount; ++index) {
        if (!state.used[index]) {
            state.used[index] = true;
            ++state.generation[index];
            return index;
        }
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index) {
    Slots& state = slots();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!inUse(state, index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    state.used[index] = false;
    return TRUE;
}

BOOL TlsSetValue(DWORD index, LPVOID value) {
    Slots& state = slots();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!inUse(state, index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    threadValues[index] = {value, state.generation[index]};
    return TRUE;
}

// Success clears the last error, so a null value can be told from a
// failure.
LPVOID TlsGetValue(DWORD index) {
    Slots& state = slots();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!inUse(state, index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    const ThreadValue& slot = threadValues[index];
    return slot.generation == state.generation[index] ? slot.value : nullptr;
}
