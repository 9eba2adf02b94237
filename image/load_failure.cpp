#include "image/load_failure.h"

// One thread loads; the reason is the last load's, like a last-error code.
static LoadFailure lastReason = LoadFailure::None;

LoadFailure lastLoadFailure() { return lastReason; }

const char* loadFailureName(LoadFailure reason) {
    switch (reason) {
    case LoadFailure::None: return "none";
    case LoadFailure::Unreadable: return "unreadable";
    case LoadFailure::UnknownFormat: return "unknown format";
    case LoadFailure::TruncatedHeader: return "truncated header";
    case LoadFailure::UnsupportedEncoding: return "unsupported encoding";
    case LoadFailure::SizeOutOfRange: return "size out of range";
    case LoadFailure::DataOutsideFile: return "data outside the file";
    case LoadFailure::TooCostly: return "too costly";
    case LoadFailure::PlatformFailed: return "platform failed";
    case LoadFailure::WrongIconSize: return "wrong icon size";
    case LoadFailure::Count: break;
    }
    return "?";
}

int refuseLoad(LoadFailure reason) {
    lastReason = reason;
    return 0;
}

void clearLoadFailure() { lastReason = LoadFailure::None; }
