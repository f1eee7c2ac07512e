#include "web/server.h"

#include <pthread.h>
#include <sys/socket.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ostream>
#include <streambuf>
#include <thread>

#include "core/text/numbers.h"
#include <httplib.h>

#include "web/http.h"
#include "web/pages.h"
#include "web/request_handling.h"
#include "web/sessions.h"

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

thread_local Clock::time_point request_start;

// Hands what a streamed body writes to the response in pieces of 64 KiB. After the client has gone
// it takes the rest without sending it, so that the query ends normally on the connection.
class SinkBuffer : public std::streambuf {
  public:
    explicit SinkBuffer(httplib::DataSink& sink) : sink_(sink) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~SinkBuffer() override { sync(); }

  protected:
    int overflow(int c) override {
        sync();
        if (c != traits_type::eof()) {
            *pptr() = static_cast<char>(c);
            pbump(1);
        }
        return 0;
    }
    int sync() override {
        const auto n = static_cast<std::size_t>(pptr() - pbase());
        if (n > 0 && ok_) ok_ = sink_.write(pbase(), n);
        setp(buffer_, buffer_ + sizeof buffer_);
        return 0;
    }

  private:
    httplib::DataSink& sink_;
    bool ok_ = true;
    char buffer_[64 * 1024];
};

void deliver(Response res, httplib::Response& out) {
    out.status = res.status;
    const std::string type = res.header("Content-Type");
    res.erase_header("Content-Type");
    for (auto& [name, value] : res.headers) out.headers.emplace(name, value);
    if (res.stream) {
        out.set_chunked_content_provider(type, [writer = std::move(res.stream)](std::size_t, httplib::DataSink& sink) {
            try {
                SinkBuffer buffer(sink);
                std::ostream stream(&buffer);
                writer(stream);
                stream.flush();
            } catch (const std::exception&) {
                return false;  // the response is cut short: a client sees an incomplete download
            }
            sink.done();
            return true;
        });
    } else if (!res.body.empty() || !type.empty()) {
        out.set_content(res.body, type);
    }
}

Request request_of(const httplib::Request& in) {
    Request req;
    req.method = in.method;
    req.path = in.path;
    if (const auto q = in.target.find('?'); q != std::string::npos) req.query = in.target.substr(q + 1);
    req.params.assign(in.params.begin(), in.params.end());
    req.headers.assign(in.headers.begin(), in.headers.end());
    req.client_address = in.remote_addr;
    req.start = request_start;
    return req;
}

void set_limits(httplib::Server& server, const Routes& routes, std::ostream& err) {
    server.set_payload_max_length(16 * 1024);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(30, 0);
    server.set_keep_alive_timeout(5);
    server.set_keep_alive_max_count(1000);
    server.set_tcp_nodelay(true);
    // A thread per connection being served: enough for an office's clients with keep-alive.
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server.set_pre_routing_handler([&routes](const httplib::Request& in, httplib::Response& out) {
        request_start = Clock::now();
        Request req = request_of(in);
        // The library refuses a header line over 8 KiB; all of them together are bounded here.
        std::size_t bytes = 0, longest = 0;
        for (const auto& [name, value] : in.headers) {
            bytes += name.size() + value.size() + 4;
            longest = std::max(longest, name.size() + value.size() + 4);
        }
        if (in.headers.size() > 64 || bytes > 16 * 1024 || longest > 8 * 1024) {
            deliver(routes.refusal(req, 431), out);
            return httplib::Server::HandlerResponse::Handled;
        }
        if (in.method != "GET" && in.method != "HEAD" && in.method != "POST") {
            deliver(routes.answer(req), out);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Every path goes to the routes, with the form read.
    const auto all = [&routes](const httplib::Request& in, httplib::Response& out) {
        Request req = request_of(in);
        deliver(routes.answer(req), out);
    };
    server.Get(".*", all);
    server.Post(".*", all);
    server.set_logger([&err](const httplib::Request& req, const httplib::Response& res) {
        // The path only: a query may hold what someone searched for, and a cookie or a body never
        // goes to the log.
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - request_start).count();
        static std::mutex log_mutex;
        std::lock_guard<std::mutex> lock(log_mutex);
        err << req.method << ' ' << (req.path.size() > 200 ? req.path.substr(0, 200) + "..." : req.path) << ' '
            << res.status << ' ' << text::format_fixed(ms, 1) << " ms\n"
            << std::flush;
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content("internal error\n", "text/plain; charset=utf-8");
    });
    server.set_error_handler([&routes](const httplib::Request& in, httplib::Response& out) {
        if (!out.body.empty()) return;
        deliver(routes.refusal(request_of(in), out.status), out);
    });
}

// Ends the server at SIGINT or SIGTERM. The signals are blocked in every thread (the pool's
// threads inherit the mask), and this one thread takes them.
class SignalStop {
  public:
    explicit SignalStop(httplib::Server& server) {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, &old_);
        thread_ = std::thread([this, &server] {
            int signal = 0;
            sigwait(&set_, &signal);
            server.stop();
        });
    }
    ~SignalStop() {
        // Wakes the thread when the server ended on its own.
        pthread_kill(thread_.native_handle(), SIGTERM);
        thread_.join();
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

  private:
    sigset_t set_{}, old_{};
    std::thread thread_;
};

}  // namespace

int serve(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    const auto [host, port] = parse_listen(options.listen);
    fleet::require_client_library();
    Sessions sessions([conninfo = options.conninfo](const std::string& user, const std::string& password) {
        return std::make_unique<fleet::PgConnection>(conninfo, user, password);
    });
    Routes routes;
    add_routes(routes, sessions, options.report);
    httplib::Server server;
    SignalStop stop(server);
    set_limits(server, routes, err);
    // The library listens with a queue of 5 connections; a room full of browsers opening at once
    // needs more, so the listening socket's queue is made longer once it is bound. The address may
    // be taken again at once after a restart, but (unlike the library's default) no other process
    // may listen on the same port beside this one.
    int listening = -1;
    server.set_socket_options([&listening](int sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listening = sock;
    });
    const int bound = port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    if (bound >= 0 && listening >= 0) ::listen(listening, 256);
    if (bound < 0) {
        err << "ijken office serve: cannot listen on " << options.listen << "\n";
        return 1;
    }
    const bool v6 = host.find(':') != std::string::npos;
    out << "ijken office serve: listening on http://" << (v6 ? "[" + host + "]" : host) << ":" << bound << "/\n"
        << std::flush;
    // A thread that ends idle sessions, so that their connections close also when nobody asks.
    std::mutex idle_mutex;
    std::condition_variable idle_cv;
    bool ending = false;
    std::thread sweeper([&] {
        std::unique_lock<std::mutex> lock(idle_mutex);
        while (!idle_cv.wait_for(lock, std::chrono::seconds(30), [&] { return ending; })) sessions.sweep();
    });
    const bool ok = server.listen_after_bind();
    {
        std::lock_guard<std::mutex> lock(idle_mutex);
        ending = true;
    }
    idle_cv.notify_all();
    sweeper.join();
    out << "ijken office serve: stopped\n" << std::flush;
    return ok ? 0 : 1;
}

}  // namespace ijken::web
