// Waiting for a file to be saved. Natively its directory is watched for the
// name (inotify), so an editor that writes a new file and renames it over
// the old one is seen as well as one that writes in place; on Windows the
// file's size and modification time are looked at four times a second. A
// save is reported once the file has been quiet for 100 ms, so a burst of
// writes is one save. Ctrl-C and SIGTERM (a console control event on
// Windows) ask it to stop; they are taken only while it waits, so whatever
// runs between two waits is never cut short.
#ifndef CELKIT_CHANGE_WATCH_H
#define CELKIT_CHANGE_WATCH_H

#include <filesystem>
#include <memory>

namespace celkit {

class ChangeWatch {
public:
    // Failure when the file's directory cannot be watched.
    explicit ChangeWatch(const std::filesystem::path& file);
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    // True after the next save; false once a stop was asked for.
    bool nextSave();

private:
    struct State;
    std::unique_ptr<State> state;
};

}  // namespace celkit

#endif
