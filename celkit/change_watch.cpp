#include "celkit/change_watch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>
#endif

#include "celkit/file_access.h"
#include "celkit/program.h"

namespace celkit {
namespace {

constexpr int quietMilliseconds = 100;

fs::path directoryOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

}  // namespace

#ifdef _WIN32

namespace {

constexpr DWORD pollMilliseconds = 250;

// The console control handler runs on a thread of its own.
HANDLE stopEvent = nullptr;
HANDLE finishedEvent = nullptr;

BOOL WINAPI onControl(DWORD event) {
    SetEvent(stopEvent);
    // Closing the console ends the process once the handler returns: let a
    // conversion under way finish its rename first.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(finishedEvent, 4000);
    return TRUE;
}

struct Stamp {
    bool present = false;
    ULONGLONG size = 0, written = 0;
    bool operator==(const Stamp& other) const {
        return present == other.present && size == other.size && written == other.written;
    }
    bool operator!=(const Stamp& other) const { return !(*this == other); }
};

Stamp stampOf(const fs::path& file) {
    Stamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file.wstring().c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.present = true;
    stamp.size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written =
        (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

}  // namespace

struct ChangeWatch::State {
    fs::path file;
    Stamp last;
};

ChangeWatch::ChangeWatch(const fs::path& file) : state(new State{file, stampOf(file)}) {
    fs::path directory = directoryOf(file);
    if (statusOfName(directory).kind != FileKind::Directory)
        throw Failure(displayName(directory) + ": no such directory to watch");
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    finishedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent == nullptr || finishedEvent == nullptr || !SetConsoleCtrlHandler(onControl, TRUE))
        throw Failure("cannot take Ctrl-C: " + std::to_string(GetLastError()));
}

ChangeWatch::~ChangeWatch() {
    SetEvent(finishedEvent);
    SetConsoleCtrlHandler(onControl, FALSE);
}

bool ChangeWatch::nextSave() {
    for (;;) {
        if (WaitForSingleObject(stopEvent, pollMilliseconds) == WAIT_OBJECT_0) return false;
        Stamp now = stampOf(state->file);
        if (!now.present || now == state->last) continue;
        // Changed: wait for it to hold still.
        for (;;) {
            if (WaitForSingleObject(stopEvent, quietMilliseconds) == WAIT_OBJECT_0) return false;
            Stamp later = stampOf(state->file);
            if (later == now) break;
            now = later;
        }
        if (!now.present) continue;
        state->last = now;
        return true;
    }
}

#else

struct ChangeWatch::State {
    std::string name;  // the file's name in its directory
    fs::path directory;
    int changes = -1;  // inotify
    int stops = -1;    // signalfd
    sigset_t previousMask;
};

ChangeWatch::ChangeWatch(const fs::path& file) : state(new State) {
    state->name = file.filename().native();
    state->directory = directoryOf(file);
    state->changes = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    // The directory, not the file: a rename over the name replaces the inode.
    if (state->changes < 0 ||
        inotify_add_watch(state->changes, state->directory.c_str(),
                          IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_MODIFY | IN_DELETE_SELF |
                              IN_MOVE_SELF | IN_ONLYDIR) < 0) {
        int error = errno;
        if (state->changes >= 0) close(state->changes);
        throw Failure(displayName(state->directory) + ": cannot watch: " + systemReason(error));
    }
    // Blocked, the signals wait in the signalfd until nextSave looks.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, &state->previousMask);
    state->stops = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (state->stops < 0) {
        int error = errno;
        close(state->changes);
        sigprocmask(SIG_SETMASK, &state->previousMask, nullptr);
        throw Failure("cannot take Ctrl-C: " + systemReason(error));
    }
}

ChangeWatch::~ChangeWatch() {
    // The stops are taken, or restoring the mask would deliver them now.
    signalfd_siginfo taken;
    while (read(state->stops, &taken, sizeof taken) > 0) {
    }
    close(state->changes);
    close(state->stops);
    sigprocmask(SIG_SETMASK, &state->previousMask, nullptr);
}

namespace {

// Waits for a change or a stop; 0 for a timeout, 1 for changes, -1 for a stop.
int waitFor(int changes, int stops, int milliseconds) {
    pollfd fds[2] = {{changes, POLLIN, 0}, {stops, POLLIN, 0}};
    int ready;
    do {
        ready = poll(fds, 2, milliseconds);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) throw Failure(std::string("cannot wait for changes: ") + std::strerror(errno));
    if (fds[1].revents != 0) return -1;
    return fds[0].revents != 0 ? 1 : 0;
}

}  // namespace

bool ChangeWatch::nextSave() {
    using Clock = std::chrono::steady_clock;
    bool saved = false;
    Clock::time_point lastSave;
    for (;;) {
        // Quiet is counted from the file's last change: other files in the
        // directory (the font being written, say) do not put it off.
        int wait = -1;
        if (saved) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                lastSave + std::chrono::milliseconds(quietMilliseconds) - Clock::now());
            wait = static_cast<int>(std::max<long long>(0, left.count()));
        }
        int what = waitFor(state->changes, state->stops, wait);
        if (what < 0) return false;
        if (what == 0) return true;  // quiet long enough after a save
        alignas(inotify_event) char buffer[8192];
        long got;
        while ((got = read(state->changes, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                    throw Failure(displayName(state->directory) +
                                  ": the directory was removed or moved; nothing left to watch");
                if (event->len > 0 && state->name == event->name) {
                    saved = true;
                    lastSave = Clock::now();
                }
            }
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR)
            throw Failure(std::string("cannot read changes: ") + std::strerror(errno));
    }
}

#endif

}  // namespace celkit
