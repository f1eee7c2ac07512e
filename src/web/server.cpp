#include "web/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>

#include "core/text/numbers.h"
#include "web/listening.h"
#include "web/pages.h"
#include "web/request_handling.h"
#include "web/sessions.h"
#include "web/streamed_body.h"
#include "web/wire.h"
#include "web/workers.h"

namespace ijken::web {

std::pair<std::string, int> parse_listen(const std::string& text) {
    const auto colon = text.rfind(':');
    const auto port = colon == std::string::npos ? std::nullopt : text::parse_int(text.substr(colon + 1));
    std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (!port || *port < 0 || *port > 65535 || host.empty() || host.find_first_of("[] ") != std::string::npos) {
        throw fleet::FleetError("--listen needs ADDRESS:PORT (such as 127.0.0.1:8080), not \"" + text + "\"", 2);
    }
    return {host, static_cast<int>(*port)};
}

namespace {

using namespace std::chrono_literals;

// ---- what a request may spend ------------------------------------------------------------------
// The request line and the headers are read into one buffer of this size per connection: a line
// or a header block that does not fit is answered 414 or 431 while it is being read.
constexpr std::size_t kConnectionMemory = 32 * 1024;
constexpr std::size_t kBodyMost = 16 * 1024;
constexpr unsigned kConnectionsMost = 512;
constexpr unsigned kConnectionsPerAddress = 256;
// A connection that sends or takes nothing for this long is closed.
constexpr unsigned kIdleSeconds = 10;
// From a connection's start, or the end of its previous answer, until the whole next request has
// arrived; then from there until the answer has been sent.
constexpr auto kReadTime = 10s;
constexpr auto kAnswerTime = 300s;
// Threads: the network (sockets only, never a database), the pages (a route each), the downloads
// (one streamed body each).
constexpr unsigned kNetworkThreads = 2;
constexpr int kPageWorkers = 8;
constexpr int kLoginWorkers = 4;
constexpr int kDownloadWorkers = 4;
constexpr std::size_t kWaitingMost = 256;  // requests waiting for a page worker
// At SIGTERM: what is under way may finish for this long; then downloads are cut.
constexpr auto kGrace = 3s;
constexpr auto kCutGrace = 2s;

// ---- one connection and one request on it ----------------------------------------------------
struct Connection {
    // A duplicate of the connection's socket, so that the watchdog can shut the socket down from
    // its own thread: it stays this connection's until it is closed here, whenever the library
    // closes its own descriptor.
    int fd = -1;
    std::string address;
    // When the current request (or the wait for it) must be done; the watchdog closes it after.
    std::atomic<Clock::rep> deadline{0};
    // The request line of the request being read (MHD hands it over before the headers).
    Clock::time_point request_start;
    std::string target;
    bool target_cut = false;
    bool presented = false;  // the request reached the handler (it logs itself)
};

struct Exchange {
    MHD_Connection* mhd = nullptr;
    Connection* connection = nullptr;
    Clock::time_point start;
    std::string method, target;
    bool target_cut = false;
    Fields headers;
    std::string body;
    std::size_t body_size = 0;
    enum class Stage { reading, working, answered } stage = Stage::reading;
    Response response;
    int status = 0;
    bool counted = false;  // counts as under way
    const char* closed_why = nullptr;
    std::shared_ptr<Stream> stream;
};

void set_deadline(Connection& c, Clock::duration from_now) {
    c.deadline = (Clock::now() + from_now).time_since_epoch().count();
}

class Server {
  public:
    Server(const Routes& routes, std::ostream& err) : routes_(routes), err_(err) {}

    const Routes& routes_;
    std::ostream& err_;
    std::mutex log_mutex_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> under_way_{0};

    std::mutex mutex_;  // guards what follows
    std::set<Connection*> connections_;
    std::multimap<Clock::time_point, Exchange*> delayed_;
    std::set<std::shared_ptr<Stream>> streams_;
    std::condition_variable clock_cv_;
    bool clock_ends_ = false;

    // Last, so that their threads end before what they use goes.
    Workers pages_{kPageWorkers, kWaitingMost}, logins_{kLoginWorkers, kWaitingMost}, downloads_{kDownloadWorkers, 16};

    void log_line(const std::string& line) {
        std::lock_guard<std::mutex> lock(log_mutex_);
        err_ << line << std::flush;
    }

    void log(const std::string& method, const std::string& target, int status, Clock::time_point start,
             const char* note) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::string line = loggable(method.empty() ? "-" : method, 16) + ' ' + loggable(path_of(target), 200) + ' ' +
                           (status > 0 ? std::to_string(status) : std::string("-")) + ' ' +
                           text::format_fixed(ms, 1) + " ms" + note + "\n";
        log_line(line);
    }

    // Sends a response on a connection whose handler runs now.
    MHD_Result queue(MHD_Connection* c, Exchange& ex, Response res) {
        ex.stage = Exchange::Stage::answered;
        ex.status = res.status;
        MHD_Response* r = nullptr;
        if (ex.stream && ex.stream->failed_at_once()) {
            ex.stream.reset();
            return refuse(c, ex, 500);
        }
        if (ex.stream) {
            r = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 32 * 1024, &Stream::read,
                                                  new std::shared_ptr<Stream>(ex.stream), &Stream::free);
        } else {
            r = MHD_create_response_from_buffer(res.body.size(), res.body.data(), MHD_RESPMEM_MUST_COPY);
        }
        if (!r) return MHD_NO;
        for (const auto& [name, value] : res.headers) MHD_add_response_header(r, name.c_str(), value.c_str());
        if (stopping_) MHD_add_response_header(r, "Connection", "close");
        const MHD_Result result = MHD_queue_response(c, static_cast<unsigned>(res.status), r);
        MHD_destroy_response(r);
        return result;
    }

    Response busy(const Exchange& ex) {
        Request req;
        req.headers = ex.headers;
        Response res = routes_.refusal(req, 503);
        res.set_header("Retry-After", "5");
        return res;
    }

    MHD_Result refuse(MHD_Connection* c, Exchange& ex, int status) {
        Request req;
        req.headers = ex.headers;
        return queue(c, ex, routes_.refusal(req, status));
    }

    // The request has arrived whole: a page worker answers it while the connection waits.
    MHD_Result start_work(MHD_Connection* c, Exchange& ex) {
        Request req;
        req.method = ex.method;
        req.headers = ex.headers;
        req.client_address = ex.connection ? ex.connection->address : "";
        req.start = ex.start;
        const bool form = ex.method == "POST" && starts_with_nocase(req.header("Content-Type"),
                                                                    "application/x-www-form-urlencoded");
        if (!read_target(ex.target, req) || (form && !read_form(ex.body, req.params))) return refuse(c, ex, 400);
        if (stopping_) return queue(c, ex, busy(ex));
        ex.stage = Exchange::Stage::working;
        ex.counted = true;
        ++under_way_;
        MHD_suspend_connection(c);
        Workers& workers = routes_.lane(req) == Routes::Lane::logins ? logins_ : pages_;
        const bool queued = workers.submit([this, c, &ex, req = std::move(req)]() mutable {
            Response res = routes_.answer(req);
            ex.response = std::move(res);
            release(c, ex);
        });
        if (!queued) {
            ex.response = busy(ex);
            MHD_resume_connection(c);
        }
        return MHD_YES;
    }

    // A worker's answer goes out now, or when its time has come.
    void release(MHD_Connection* c, Exchange& ex) {
        if (ex.response.stream && ex.method != "HEAD") return start_stream(c, ex);
        if (ex.response.not_before && *ex.response.not_before > Clock::now()) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!stopping_) {
                delayed_.emplace(*ex.response.not_before, &ex);
                clock_cv_.notify_all();
                return;
            }
            ex.response = busy(ex);
        }
        MHD_resume_connection(c);
    }

    // A streamed body: its writer runs on a download worker, and the head goes out with its first
    // bytes, so that a writer that fails at once still gets an error page rather than a cut 200.
    void start_stream(MHD_Connection* c, Exchange& ex) {
        auto stream = std::make_shared<Stream>(c);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            streams_.insert(stream);
            if (stopping_) stream->stop(true);
        }
        ex.stream = stream;
        const bool started = downloads_.submit([this, stream, writer = std::move(ex.response.stream)] {
            bool ok = false;
            try {
                StreamBuf buffer(*stream);
                std::ostream out(&buffer);
                // A cut at the stop reaches the writer as an exception, rather than as a stream
                // that takes the rest of a long query silently.
                out.exceptions(std::ios::badbit);
                writer(out);
                out.flush();
                ok = true;
            } catch (const std::exception&) {
                // cut short: a client that has the head sees an incomplete download
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                streams_.erase(stream);
            }
            stream->end(ok);
        });
        if (!started) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                streams_.erase(stream);
            }
            ex.stream.reset();
            ex.response = busy(ex);
            MHD_resume_connection(c);
        }
    }

    // The clock: answers whose time has come, and connections past their deadline.
    void clock() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!clock_ends_) {
            const auto now = Clock::now();
            while (!delayed_.empty() && (delayed_.begin()->first <= now || stopping_)) {
                Exchange* ex = delayed_.begin()->second;
                delayed_.erase(delayed_.begin());
                if (stopping_ && ex->response.not_before > now) {
                    Request req;
                    ex->response = routes_.refusal(req, 503);
                }
                MHD_resume_connection(ex->mhd);
            }
            for (Connection* c : connections_) {
                // Shut down, not closed: the network thread sees it fail and closes it itself.
                if (c->fd >= 0 && c->deadline.load() < now.time_since_epoch().count()) {
                    ::shutdown(c->fd, SHUT_RDWR);
                    c->deadline = Clock::time_point::max().time_since_epoch().count();
                }
            }
            auto wake = now + 250ms;
            if (!delayed_.empty()) wake = std::min(wake, delayed_.begin()->first);
            clock_cv_.wait_until(lock, wake);
        }
    }
};

// ---- MHD's callbacks --------------------------------------------------------------------------

Connection* connection_of(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<Connection*>(info->socket_context) : nullptr;
}

void on_connection(void* cls, MHD_Connection* c, void** context, MHD_ConnectionNotificationCode code) {
    Server& server = *static_cast<Server*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* conn = new Connection;
        if (const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD)) {
            conn->fd = ::fcntl(info->connect_fd, F_DUPFD_CLOEXEC, 0);
        }
        if (const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS)) {
            conn->address = address_text(info->client_addr);
        }
        set_deadline(*conn, kReadTime);
        *context = conn;
        std::lock_guard<std::mutex> lock(server.mutex_);
        server.connections_.insert(conn);
        return;
    }
    auto* conn = static_cast<Connection*>(*context);
    if (!conn) return;
    {
        std::lock_guard<std::mutex> lock(server.mutex_);
        server.connections_.erase(conn);
    }
    if (conn->fd >= 0) ::close(conn->fd);
    // A request line that never reached the handler: refused while its headers were read.
    if (!conn->target.empty() && !conn->presented) {
        const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_HTTP_STATUS);
        server.log("", conn->target, info ? static_cast<int>(info->http_status) : 0, conn->request_start,
                   " refused while reading");
    }
    delete conn;
    *context = nullptr;
}

void* on_request_line(void* cls, const char* uri, MHD_Connection* c) {
    (void)cls;
    if (Connection* conn = connection_of(c)) {
        conn->request_start = Clock::now();
        const std::size_t n = std::strlen(uri);
        conn->target_cut = n > kTargetMost;
        conn->target.assign(uri, std::min(n, kTargetMost));
        conn->presented = false;
    }
    return nullptr;
}

MHD_Result collect_header(void* cls, MHD_ValueKind, const char* name, const char* value) {
    static_cast<Fields*>(cls)->emplace_back(name, value ? value : "");
    return MHD_YES;
}

MHD_Result on_request(void* cls, MHD_Connection* c, const char*, const char* method, const char*,
                      const char* upload, size_t* upload_size, void** context) {
    Server& server = *static_cast<Server*>(cls);
    auto* ex = static_cast<Exchange*>(*context);
    if (!ex) {
        // The request line and the headers have arrived.
        ex = new Exchange;
        *context = ex;
        ex->mhd = c;
        Connection* conn = connection_of(c);
        ex->connection = conn;
        ex->method = method;
        if (conn) {
            conn->presented = true;
            ex->start = conn->request_start;
            ex->target = std::move(conn->target);
            ex->target_cut = conn->target_cut;
            conn->target.clear();
        } else {
            ex->start = Clock::now();
        }
        MHD_get_connection_values(c, MHD_HEADER_KIND, &collect_header, &ex->headers);
        if (ex->method != "GET" && ex->method != "HEAD" && ex->method != "POST") {
            Request req;
            req.method = ex->method;
            req.headers = ex->headers;
            return server.queue(c, *ex, server.routes_.answer(req));  // 405, the body unread
        }
        if (const int refused = refusal_of_head(ex->target, ex->target_cut, ex->headers, kBodyMost)) {
            return server.refuse(c, *ex, refused);
        }
        return MHD_YES;
    }
    if (ex->stage == Exchange::Stage::reading && *upload_size > 0) {
        // The body as it arrives: beyond its bound the connection ends here, the rest unread.
        ex->body_size += *upload_size;
        if (ex->body_size > kBodyMost) {
            // No answer can be queued while a body arrives: the connection ends at once.
            ex->closed_why = " body over its bound, closed";
            return MHD_NO;
        }
        ex->body.append(upload, *upload_size);
        *upload_size = 0;
        return MHD_YES;
    }
    switch (ex->stage) {
        case Exchange::Stage::reading:
            if (ex->connection) set_deadline(*ex->connection, kAnswerTime);
            return server.start_work(c, *ex);
        case Exchange::Stage::working:
            // Resumed: the worker's answer (or the clock's) is there.
            return server.queue(c, *ex, std::move(ex->response));
        case Exchange::Stage::answered:
            break;
    }
    return MHD_YES;
}

void on_completed(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode code) {
    Server& server = *static_cast<Server*>(cls);
    auto* ex = static_cast<Exchange*>(*context);
    if (!ex) return;
    if (ex->stream) ex->stream->stop(false);
    const char* note = ex->closed_why                                ? ex->closed_why
                       : code == MHD_REQUEST_TERMINATED_COMPLETED_OK ? ""
                       : ex->stage == Exchange::Stage::answered  ? " cut short"
                                                                 : " closed before an answer";
    server.log(ex->method, ex->target, ex->status, ex->start, note);
    if (ex->connection) set_deadline(*ex->connection, kReadTime);
    if (ex->counted) --server.under_way_;
    delete ex;
    *context = nullptr;
}

// ---- starting and stopping --------------------------------------------------------------------

}  // namespace

struct HttpServer::State {
    std::unique_ptr<Server> server;
    MHD_Daemon* daemon = nullptr;
    int listening = -1;
    int port = 0;
    std::thread clock;
    bool stopped = false;

    void end_clock() {
        {
            std::lock_guard<std::mutex> lock(server->mutex_);
            server->clock_ends_ = true;
        }
        server->clock_cv_.notify_all();
        clock.join();
    }
};

HttpServer::HttpServer(const Routes& routes, const std::string& listen, std::ostream& log)
    : state_(std::make_unique<State>()) {
    const auto [host, port] = parse_listen(listen);
    raise_file_limit();
    std::string why;
    state_->listening = listen_on(host, port, why);
    if (state_->listening < 0) throw fleet::FleetError("cannot listen on " + listen + ": " + why);
    state_->port = bound_port(state_->listening);
    state_->server = std::make_unique<Server>(routes, log);
    state_->clock = std::thread([server = state_->server.get()] { server->clock(); });
    const bool v6 = host.find(':') != std::string::npos;
    Server* server = state_->server.get();
    state_->daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | (v6 ? MHD_USE_IPv6 : 0), 0,
        nullptr, nullptr, &on_request, server,                         //
        MHD_OPTION_LISTEN_SOCKET, state_->listening,                   //
        MHD_OPTION_THREAD_POOL_SIZE, kNetworkThreads,                  //
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,         //
        MHD_OPTION_CONNECTION_LIMIT, kConnectionsMost,                 //
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, kConnectionsPerAddress,    //
        MHD_OPTION_CONNECTION_TIMEOUT, kIdleSeconds,                   //
        MHD_OPTION_NOTIFY_CONNECTION, &on_connection, server,          //
        MHD_OPTION_URI_LOG_CALLBACK, &on_request_line, server,         //
        MHD_OPTION_NOTIFY_COMPLETED, &on_completed, server,            //
        MHD_OPTION_END);
    if (!state_->daemon) {
        state_->end_clock();
        ::close(state_->listening);
        throw fleet::FleetError("cannot start the HTTP server on " + listen);
    }
}

HttpServer::~HttpServer() {
    if (!state_->stopped && !stop()) {
        // A worker still waits on the database and holds its connection: the process ends
        // without waiting for it; the database server sees the connection close and rolls back.
        std::_Exit(0);
    }
}

int HttpServer::port() const {
    return state_->port;
}

bool HttpServer::stop() {
    if (state_->stopped) return true;
    Server& server = *state_->server;
    // No new connections; the answers under way may finish for a while, then downloads are cut.
    MHD_quiesce_daemon(state_->daemon);
    {
        std::lock_guard<std::mutex> lock(server.mutex_);
        server.stopping_ = true;
    }
    server.clock_cv_.notify_all();
    const auto wait_until_done = [&server](Clock::duration most) {
        const auto until = Clock::now() + most;
        while (server.under_way_.load() > 0 && Clock::now() < until) std::this_thread::sleep_for(20ms);
        return server.under_way_.load() == 0;
    };
    bool done = wait_until_done(kGrace);
    if (!done) {
        // Cut: the writers stop at their next bytes, and every connection is shut down, also one
        // whose client stopped reading a download.
        std::lock_guard<std::mutex> lock(server.mutex_);
        for (const auto& s : server.streams_) s->stop(true);
        for (Connection* c : server.connections_) c->deadline = 0;
        server.clock_cv_.notify_all();
    }
    done = done || wait_until_done(kCutGrace);
    if (!done) {
        server.log_line("ijken office serve: " + std::to_string(server.under_way_.load()) +
                        " requests still under way at the stop\n");
        return false;
    }
    // Nothing is suspended any more (every suspended connection counts as under way).
    MHD_stop_daemon(state_->daemon);
    ::close(state_->listening);
    state_->end_clock();
    state_->server.reset();
    state_->stopped = true;
    return true;
}

int serve(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    const auto [host, port] = parse_listen(options.listen);
    fleet::require_client_library();
    // Before any thread starts, so that every thread has the signals blocked.
    SignalWait signals;
    Sessions sessions([conninfo = options.conninfo](const std::string& user, const std::string& password) {
        return std::make_unique<fleet::PgConnection>(conninfo, user, password);
    });
    Routes routes;
    add_routes(routes, sessions, options.report);
    std::unique_ptr<HttpServer> server;
    try {
        server = std::make_unique<HttpServer>(routes, options.listen, err);
    } catch (const fleet::FleetError& e) {
        err << "ijken office serve: " << e.what() << "\n";
        return 1;
    }
    const bool v6 = host.find(':') != std::string::npos;
    out << "ijken office serve: listening on http://" << (v6 ? "[" + host + "]" : host) << ":" << server->port()
        << "/\n"
        << std::flush;

    // A thread that ends idle sessions, so that their connections close also when nobody asks.
    std::mutex idle_mutex;
    std::condition_variable idle_cv;
    bool ending = false;
    std::thread sweeper([&] {
        std::unique_lock<std::mutex> lock(idle_mutex);
        while (!idle_cv.wait_for(lock, std::chrono::seconds(30), [&] { return ending; })) sessions.sweep();
    });
    signals.wait();
    const bool done = server->stop();
    {
        std::lock_guard<std::mutex> lock(idle_mutex);
        ending = true;
    }
    idle_cv.notify_all();
    sweeper.join();
    out << "ijken office serve: stopped\n" << std::flush;
    if (!done) {
        err << std::flush;
        std::_Exit(0);  // see ~HttpServer
    }
    return 0;
}

}  // namespace ijken::web
