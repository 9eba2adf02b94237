// The edit server: one sheet and its font behind an HTTP server on the
// loopback address (Boost.Beast, one thread, every connection asynchronous
// with a deadline). Every request carries the access token; a Host that is
// not this server's and a write from another page's Origin are refused;
// bodies are bounded; saves run one at a time on that thread and write only
// the sheet and its font, and only over the version the page was showing.
// Changes on disk reach the page as server-sent events.
#ifndef CELKIT_EDIT_EDIT_SERVER_H
#define CELKIT_EDIT_EDIT_SERVER_H

#include <filesystem>
#include <memory>
#include <string>

#include "celkit/font/codepoint_map.h"

namespace celkit {

struct EditSettings {
    std::string sheet;        // as the user named it
    unsigned short port = 0;  // 0: any free port
    CodepointMap map;         // for the preview line
};

class EditServer {
public:
    // Listens at once; Failure when the sheet cannot be edited or the port
    // cannot be had.
    explicit EditServer(const EditSettings& settings);
    ~EditServer();
    EditServer(const EditServer&) = delete;
    EditServer& operator=(const EditServer&) = delete;

    // http://127.0.0.1:PORT/?token=...
    std::string address() const;
    // Serves until Ctrl-C or SIGTERM (a console control event on Windows).
    void run();

private:
    struct State;
    std::unique_ptr<State> state;
};

}  // namespace celkit

#endif
