#include "celkit/edit/edit_server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <array>
#include <chrono>
#include <csignal>
#include <ctime>
#include <deque>
#include <iostream>
#include <list>
#include <optional>

#include "celkit/edit/access_token.h"
#include "celkit/edit/edit_page.h"
#include "celkit/edit/sheet_document.h"
#include "celkit/program.h"
#include "celkit/sheet_file.h"

namespace celkit {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using namespace std::chrono_literals;

// A save is the font's bytes; nothing larger is read.
constexpr std::size_t bodyLimit = fontBytes;
constexpr std::uint32_t headerLimit = 8192;
// Far more than one page and its event stream need, and within the 1024
// descriptors a process has by default; past it new connections are
// closed at once, so memory stays bounded.
constexpr int connectionLimit = 1000;
constexpr auto requestDeadline = 15s;
constexpr auto lingerFor = 2s;
constexpr std::size_t lingerLimit = std::size_t{1} << 20;
constexpr auto pollEvery = 250ms;
constexpr auto keepAliveEvery = 15s;

std::string hex64(std::uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = digits[value & 15];
    return text;
}

// A version names the bytes of the sheet on disk: a page saves over the
// version it shows, never over one it has not seen.
std::string versionOf(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
    for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001b3ULL;
    return hex64(hash) + "-" + std::to_string(bytes.size());
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : shown(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string base64(const std::uint8_t* bytes, std::size_t size) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < size; i += 3) {
        std::uint32_t n = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < size) n |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < size) n |= bytes[i + 2];
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < size ? digits[n >> 6 & 63] : '=';
        out += i + 2 < size ? digits[n & 63] : '=';
    }
    return out;
}

// The value of `key` in a query string, undecoded (tokens are hex).
std::optional<std::string_view> queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        std::size_t end = query.find('&');
        std::string_view part = query.substr(0, end);
        if (part.size() > key.size() && part.substr(0, key.size()) == key &&
            part[key.size()] == '=')
            return part.substr(key.size() + 1);
        if (end == std::string_view::npos) break;
        query.remove_prefix(end + 1);
    }
    return std::nullopt;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

struct EditServer::State {
    using Response = http::response<http::string_body>;

    EditSettings settings;
    fs::path fontPath;
    std::string token;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::signal_set signals{io, SIGINT, SIGTERM};
    asio::steady_timer poll{io};
    asio::steady_timer acceptPause{io};
    unsigned short port = 0;
    int connections = 0;

    // The last sheet read that edit can hold, and what is on disk now.
    SheetDocument document;
    std::string documentVersion;
    std::string diskVersion;
    std::string diskProblem;  // why the sheet on disk cannot be edited, if it cannot

    struct EventStream;
    std::list<std::weak_ptr<EventStream>> streams;

    // --- the sheet on disk -------------------------------------------------

    // The sheet's size and time: it is read again only when they change
    // (or after a save), so a large file put in its place is not read four
    // times a second.
    std::optional<std::pair<std::uintmax_t, fs::file_time_type>> stamp;

    void readDiskIfTouched() {
        std::error_code error;
        const fs::path path = pathOf(settings.sheet);
        auto now = std::make_pair(fs::file_size(path, error), fs::last_write_time(path, error));
        if (error) {
            stamp.reset();
        } else if (stamp && *stamp == now) {
            return;
        } else {
            stamp = now;
        }
        readDisk(false);
    }

    void readDisk(bool first) {
        SheetFile file;
        try {
            file = readSheet(settings.sheet);
        } catch (const Failure& failure) {
            if (first) throw;
            diskVersion = "missing";
            diskProblem = failure.what();
            return;
        }
        std::string version = versionOf(file.bytes);
        if (version == diskVersion) return;
        diskVersion = version;
        try {
            document = readDocument(settings.sheet, file.bytes);
            documentVersion = version;
            diskProblem.clear();
        } catch (const Failure& failure) {
            if (first) throw;
            diskProblem = failure.what();
        }
    }

    void startPolling() {
        poll.expires_after(pollEvery);
        poll.async_wait([this](beast::error_code error) {
            if (error) return;
            std::string before = diskVersion;
            readDiskIfTouched();
            if (diskVersion != before) broadcast(sheetEvent());
            startPolling();
        });
    }

    std::string sheetEvent() const {
        return "event: sheet\ndata: {\"version\":" + jsonString(diskVersion) +
               ",\"problem\":" + jsonString(diskProblem) + "}\n\n";
    }

    // --- responses -----------------------------------------------------------

    static Response reply(const http::request<http::string_body>& request, http::status status,
                          std::string body, const char* type) {
        Response response{status, request.version()};
        response.set(http::field::server, "celkit");
        response.set(http::field::content_type, type);
        response.set(http::field::cache_control, "no-store");
        response.set("X-Content-Type-Options", "nosniff");
        response.set("Referrer-Policy", "no-referrer");
        response.body() = std::move(body);
        response.keep_alive(request.keep_alive());
        response.prepare_payload();
        return response;
    }

    static Response refuse(const http::request<http::string_body>& request, http::status status,
                           const std::string& reason) {
        return reply(request, status, "{\"error\":" + jsonString(reason) + "}\n",
                     "application/json");
    }

    std::string sheetJson() const {
        std::string json =
            "{\"sheet\":" + jsonString(settings.sheet) +
            ",\"font\":" + jsonString(displayName(fontPath)) +
            ",\"version\":" + jsonString(documentVersion) + ",\"disk\":" + jsonString(diskVersion) +
            ",\"problem\":" + jsonString(diskProblem) +
            ",\"cellWidth\":" + std::to_string(document.cellWidth) +
            ",\"cellHeight\":" + std::to_string(document.cellHeight) + ",\"glyphs\":\"" +
            base64(document.glyphs.bytes.data(), document.glyphs.bytes.size()) +
            "\",\"codepoints\":[";
        for (int glyph = 0; glyph < glyphCount; ++glyph) {
            json += glyph ? ",[" : "[";
            const auto& points = settings.map.codepoints[static_cast<std::size_t>(glyph)];
            for (std::size_t i = 0; i < points.size(); ++i)
                json += (i ? "," : "") + std::to_string(static_cast<std::uint32_t>(points[i]));
            json += "]";
        }
        return json + "]}\n";
    }

    Response save(const http::request<http::string_body>& request) {
        const std::string body = request.body();
        if (body.size() != fontBytes)
            return refuse(request, http::status::bad_request,
                          "a save is the font's " + std::to_string(fontBytes) + " bytes, not " +
                              std::to_string(body.size()));
        auto base = request.find("X-Base-Version");
        if (base == request.end())
            return refuse(request, http::status::bad_request,
                          "a save names the version it was based on (X-Base-Version)");
        readDisk(false);
        if (base->value() != diskVersion) {
            broadcast(sheetEvent());
            return reply(
                request, http::status::conflict,
                "{\"error\":" +
                    jsonString(settings.sheet + " was changed on disk since the page read it") +
                    ",\"version\":" + jsonString(diskVersion) + "}\n",
                "application/json");
        }
        Font glyphs;
        std::copy(body.begin(), body.end(), glyphs.bytes.begin());
        try {
            SavedSheet saved = saveDocument(settings.sheet, document, glyphs);
            writeOutputs({{pathOf(settings.sheet), saved.sheet},
                          {fontPath, {saved.font.bytes.begin(), saved.font.bytes.end()}}});
            readDisk(false);
            std::cout << shown(clockNow() + " saved " + settings.sheet + " and " +
                               displayName(fontPath))
                      << '\n'
                      << std::flush;
            broadcast(sheetEvent());
            return reply(request, http::status::ok,
                         "{\"version\":" + jsonString(diskVersion) + ",\"written\":[" +
                             jsonString(settings.sheet) + "," + jsonString(displayName(fontPath)) +
                             "]}\n",
                         "application/json");
        } catch (const Failure& failure) {
            reportError(failure.what());
            return refuse(request, http::status::internal_server_error, failure.what());
        }
    }

    // Who may ask, then what. Null for the event stream, which the
    // connection turns into.
    std::optional<Response> answer(const http::request<http::string_body>& request) {
        const std::string portText = ":" + std::to_string(port);
        const std::string_view host = request[http::field::host];
        if (!equalNoCase(host, "127.0.0.1" + portText) &&
            !equalNoCase(host, "localhost" + portText))
            return refuse(request, http::status::forbidden,
                          "Host '" + std::string(host) + "' is not this server");
        const std::string_view target = request.target();
        const std::size_t mark = target.find('?');
        const std::string_view path = target.substr(0, mark);
        const std::string_view query =
            mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
        std::optional<std::string_view> given = queryValue(query, "token");
        if (!given && request.find("X-Token") != request.end()) given = request["X-Token"];
        if (!given) return refuse(request, http::status::unauthorized, "no access token");
        if (!sameToken(token, *given))
            return refuse(request, http::status::forbidden, "wrong access token");

        const bool read =
            request.method() == http::verb::get || request.method() == http::verb::head;
        if (path == "/" || path == "/api/sheet" || path == "/api/events") {
            if (!read) return refuse(request, http::status::method_not_allowed, "only GET here");
            if (path == "/api/events") return std::nullopt;
            if (path == "/api/sheet")
                return reply(request, http::status::ok, sheetJson(), "application/json");
            Response page = reply(request, http::status::ok, std::string(editPage()),
                                  "text/html; charset=utf-8");
            page.set("Content-Security-Policy",
                     "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                     "img-src data:; connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; "
                     "form-action 'none'");
            return page;
        }
        if (path == "/api/save") {
            if (request.method() != http::verb::post)
                return refuse(request, http::status::method_not_allowed, "only POST here");
            const std::string_view origin = request[http::field::origin];
            if (origin != "http://127.0.0.1" + portText && origin != "http://localhost" + portText)
                return refuse(request, http::status::forbidden,
                              origin.empty() ? "a save needs the page's Origin"
                                             : "Origin '" + std::string(origin) +
                                                   "' is not this server's page");
            return save(request);
        }
        return refuse(request, http::status::not_found, "nothing here; edit serves one sheet");
    }

    // --- connections ------------------------------------------------------

    struct EventStream : std::enable_shared_from_this<EventStream> {
        State& state;
        beast::tcp_stream stream;
        std::deque<std::string> queue;
        asio::steady_timer keepAlive;

        EventStream(State& state, beast::tcp_stream&& stream)
            : state(state), stream(std::move(stream)), keepAlive(state.io) {
            ++state.connections;
        }
        ~EventStream() { --state.connections; }

        void start(unsigned version) {
            send(std::string(version == 10 ? "HTTP/1.0" : "HTTP/1.1") +
                 " 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: "
                 "no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n" +
                 state.sheetEvent());
            tick();
            // A read that ends only when the page goes away.
            auto self = shared_from_this();
            auto sink = std::make_shared<std::array<char, 256>>();
            readUntilClosed(sink);
        }
        void readUntilClosed(std::shared_ptr<std::array<char, 256>> sink) {
            auto self = shared_from_this();
            stream.socket().async_read_some(asio::buffer(*sink),
                                            [self, sink](beast::error_code error, std::size_t) {
                                                if (error) return self->close();
                                                self->readUntilClosed(sink);
                                            });
        }
        void tick() {
            keepAlive.expires_after(keepAliveEvery);
            auto self = shared_from_this();
            keepAlive.async_wait([self](beast::error_code error) {
                if (error) return;
                self->send(": still here\n\n");
                self->tick();
            });
        }
        void send(std::string text) {
            // A page that reads nothing keeps only the newest news.
            if (queue.size() >= 2) queue.pop_back();
            queue.push_back(std::move(text));
            if (queue.size() == 1) writeNext();
        }
        void writeNext() {
            stream.expires_after(requestDeadline);
            auto self = shared_from_this();
            asio::async_write(stream, asio::buffer(queue.front()),
                              [self](beast::error_code error, std::size_t) {
                                  if (error) return self->close();
                                  self->stream.expires_never();
                                  self->queue.pop_front();
                                  if (!self->queue.empty()) self->writeNext();
                              });
        }
        void close() {
            keepAlive.cancel();
            beast::error_code ignored;
            stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
            stream.socket().close(ignored);
        }
    };

    void broadcast(const std::string& event) {
        for (auto it = streams.begin(); it != streams.end();) {
            if (auto stream = it->lock()) {
                stream->send(event);
                ++it;
            } else {
                it = streams.erase(it);
            }
        }
    }

    struct Session : std::enable_shared_from_this<Session> {
        State& state;
        beast::tcp_stream stream;
        beast::flat_buffer buffer;
        std::optional<http::request_parser<http::string_body>> parser;
        Response response;

        Session(State& state, tcp::socket&& socket) : state(state), stream(std::move(socket)) {
            ++state.connections;
        }
        ~Session() { --state.connections; }

        void read() {
            parser.emplace();
            parser->body_limit(bodyLimit);
            parser->header_limit(headerLimit);
            stream.expires_after(requestDeadline);
            http::async_read(stream, buffer, *parser,
                             [self = shared_from_this()](beast::error_code error, std::size_t) {
                                 self->onRead(error);
                             });
        }

        void onRead(beast::error_code error) {
            if (error == http::error::end_of_stream || error == beast::error::timeout ||
                error == asio::error::operation_aborted)
                return close();
            if (error) {
                // Say why once; the connection ends after the answer.
                http::request<http::string_body> blank;
                blank.version(11);
                const bool tooLarge =
                    error == http::error::body_limit || error == http::error::header_limit;
                write(refuse(blank,
                             tooLarge ? http::status::payload_too_large : http::status::bad_request,
                             tooLarge ? "a request of more than the " + std::to_string(bodyLimit) +
                                            " bytes of a save"
                                      : "a malformed request: " + error.message()),
                      false);
                return;
            }
            http::request<http::string_body> request = parser->release();
            std::optional<Response> answer = state.answer(request);
            if (!answer) {
                auto events = std::make_shared<EventStream>(state, std::move(stream));
                state.streams.push_back(events);
                events->start(request.version());
                return;
            }
            if (request.method() == http::verb::head) answer->body().clear();
            const bool keep = answer->keep_alive();
            write(std::move(*answer), keep);
        }

        void write(Response answer, bool keep) {
            response = std::move(answer);
            response.keep_alive(keep);
            stream.expires_after(requestDeadline);
            http::async_write(
                stream, response,
                [self = shared_from_this(), keep](beast::error_code error, std::size_t) {
                    if (error) return self->close();
                    if (!keep) return self->linger();
                    self->read();
                });
        }

        // A refused request may still be arriving: what comes is read and
        // dropped for a while after the answer, so that closing with it
        // unread does not reset the connection before the client reads why.
        void linger() {
            beast::error_code ignored;
            stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
            stream.expires_after(lingerFor);
            drain();
        }
        void drain() {
            auto sink = std::make_shared<std::array<char, 4096>>();
            stream.async_read_some(
                asio::buffer(*sink),
                [self = shared_from_this(), sink](beast::error_code error, std::size_t got) {
                    self->drained += got;
                    if (error || self->drained > lingerLimit) return self->close();
                    self->drain();
                });
        }
        std::size_t drained = 0;

        void close() {
            beast::error_code ignored;
            stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
            stream.socket().close(ignored);
        }
    };

    void accept() {
        acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
            if (error == asio::error::operation_aborted) return;
            if (error) {
                // Out of descriptors or memory for now: try again shortly
                // rather than spin.
                acceptPause.expires_after(50ms);
                acceptPause.async_wait([this](beast::error_code waited) {
                    if (!waited) accept();
                });
                return;
            }
            if (connections >= connectionLimit) {
                beast::error_code ignored;
                socket.close(ignored);
            } else {
                std::make_shared<Session>(*this, std::move(socket))->read();
            }
            accept();
        });
    }
};

EditServer::EditServer(const EditSettings& settings) : state(std::make_unique<State>()) {
    State& s = *state;
    s.settings = settings;
    s.fontPath = pathOf(settings.sheet);
    s.fontPath += ".fnt";
    s.readDisk(true);
    s.token = newAccessToken();
    beast::error_code error;
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), settings.port);
    s.acceptor.open(endpoint.protocol(), error);
#ifndef _WIN32
    // A --port just given up is free again at once; Windows would let
    // another program take a port in use with it, so it is left out there.
    if (!error) s.acceptor.set_option(asio::socket_base::reuse_address(true), error);
#endif
    if (!error) s.acceptor.bind(endpoint, error);
    if (!error) s.acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error)
        throw Failure("cannot listen on 127.0.0.1 port " + std::to_string(settings.port) + ": " +
                      error.message());
    s.port = s.acceptor.local_endpoint().port();
}

EditServer::~EditServer() = default;

std::string EditServer::address() const {
    return "http://127.0.0.1:" + std::to_string(state->port) + "/?token=" + state->token;
}

void EditServer::run() {
    State& s = *state;
    s.signals.async_wait([&s](beast::error_code error, int) {
        if (!error) s.io.stop();
    });
    s.accept();
    s.startPolling();
    s.io.run();
}

}  // namespace celkit
