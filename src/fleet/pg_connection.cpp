#include "fleet/pg_connection.h"

#include <libpq-fe.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <charconv>
#include <chrono>
#include <mutex>

#include "fleet/conninfo.h"
#include "fleet/libpq.h"

namespace ijken::fleet {

using detail::pq;

std::string one_line(std::string_view text) {
    std::string s;
    bool blank = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
            blank = !s.empty();
            continue;
        }
        if (blank) s += ' ';
        blank = false;
        s += c;
    }
    return s;
}

void append_copy_field(std::string& out, const PgValue& value) {
    if (!value) {
        out += "\\N";
        return;
    }
    for (char c : *value) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
}

void PgResult::Clear::operator()(pg_result* r) const {
    pq().PQclear(r);
}

int PgResult::rows() const {
    return pq().PQntuples(result_.get());
}

int PgResult::columns() const {
    return pq().PQnfields(result_.get());
}

bool PgResult::is_null(int row, int column) const {
    return pq().PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view PgResult::text(int row, int column) const {
    return {pq().PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(pq().PQgetlength(result_.get(), row, column))};
}

PgValue PgResult::value(int row, int column) const {
    if (is_null(row, column)) return std::nullopt;
    return std::string(text(row, column));
}

long long PgResult::affected() const {
    const std::string_view n = pq().PQcmdTuples(result_.get());
    long long count = 0;
    std::from_chars(n.data(), n.data() + n.size(), count);
    return count;
}

std::optional<std::vector<std::pair<std::string, std::string>>> libpq_reading(const std::string& conninfo) {
    try {
        char* parse_error = nullptr;
        PQconninfoOption* parsed = pq().PQconninfoParse(conninfo.c_str(), &parse_error);
        if (parse_error) pq().PQfreemem(parse_error);
        if (parsed == nullptr) return std::nullopt;
        std::vector<std::pair<std::string, std::string>> given;
        for (const PQconninfoOption* o = parsed; o->keyword != nullptr; ++o) {
            if (o->val != nullptr) given.emplace_back(o->keyword, o->val);
        }
        pq().PQconninfoFree(parsed);
        return given;
    } catch (const FleetError&) {
        return std::nullopt;  // no client library
    }
}

std::vector<std::pair<std::string, std::string>> parse_conninfo(const std::string& conninfo) {
    if (conninfo.empty()) throw FleetError("the connection string is empty", 2);
    // libpq's own parser tells a malformed string (the user's to correct) from a server that is away.
    char* parse_error = nullptr;
    PQconninfoOption* parsed = pq().PQconninfoParse(conninfo.c_str(), &parse_error);
    if (parsed == nullptr) {
        std::string reason = parse_error ? one_line(parse_error) : "out of memory";
        pq().PQfreemem(parse_error);
        throw FleetError("invalid connection string: " + mask_passwords(reason, conninfo), 2);
    }
    std::vector<std::pair<std::string, std::string>> given;
    for (const PQconninfoOption* o = parsed; o->keyword != nullptr; ++o) {
        if (o->val != nullptr) given.emplace_back(o->keyword, o->val);
    }
    pq().PQconninfoFree(parsed);
    // What libpq would only refuse once connecting ("cannot connect") is the user's to correct too.
    for (const auto& [keyword, value] : given) {
        const std::string fault = value_fault(keyword, value);
        if (!fault.empty()) throw FleetError("invalid connection string: " + mask_passwords(fault, conninfo), 2);
    }
    const std::string fault = hosts_fault(given);
    if (!fault.empty()) throw FleetError("invalid connection string: " + mask_passwords(fault, conninfo), 2);
    return given;
}

namespace {

// How long connecting may take: connect_timeout (the string's, PGCONNECT_TIMEOUT's, or ours of 10
// seconds) for each host the string names, as libpq's own connect would wait.
int connect_limit_ms(const std::vector<std::pair<std::string, std::string>>& given) {
    long seconds = 10;
    if (const char* env = std::getenv("PGCONNECT_TIMEOUT")) seconds = std::strtol(env, nullptr, 10);
    int hosts = 1;
    for (const auto& [keyword, value] : given) {
        if (keyword == "connect_timeout") seconds = std::strtol(value.c_str(), nullptr, 10);
        if (keyword == "host" || keyword == "hostaddr") {
            hosts = std::max(hosts, 1 + static_cast<int>(std::count(value.begin(), value.end(), ',')));
        }
    }
    // libpq takes a timeout below 2 s as 2 s, and 0 as none.
    if (seconds <= 0) return 0;
    return static_cast<int>(std::max(2L, std::min(seconds, 3600L)) * 1000 * hosts);
}

}  // namespace

PgConnection::PgConnection(const std::string& conninfo, const SessionLimits& limits,
                           const std::atomic<bool>* cancel)
    : cancel_(cancel) {
    connect(conninfo, limits, {});
}

PgConnection::PgConnection(const std::string& conninfo, const std::string& user, const std::string& password,
                           const SessionLimits& limits) {
    // An empty password would let libpq look in PGPASSWORD and ~/.pgpass of the process: the
    // caller's login would then borrow the server's own credentials.
    if (user.empty() || password.empty()) throw LoginRefused("a user name and a password are needed");
    connect(conninfo, limits, {{"user", user.c_str()}, {"password", password.c_str()}, {"passfile", "/dev/null"}});
}

bool PgConnection::connected() {
    if (conn_ == nullptr || pq().PQstatus(conn_) != CONNECTION_OK) return false;
    // A server that ended the session said so and closed the socket; libpq notices once it reads
    // the end (its message first, then nothing). A few rounds: an idle session is sent little.
    for (int round = 0; round < 8 && pq().PQstatus(conn_) == CONNECTION_OK; ++round) {
        pollfd p{pq().PQsocket(conn_), POLLIN, 0};
        if (p.fd < 0 || poll(&p, 1, 0) <= 0 || pq().PQconsumeInput(conn_) != 1) break;
    }
    return pq().PQstatus(conn_) == CONNECTION_OK;
}

namespace {

// The SQLSTATE of a failed connection's message in the verbose form ("FATAL:  28P01: ..."), or
// empty when the server said nothing (no server at that address, a link that broke).
std::string connect_sqlstate(const std::string& message) {
    for (std::size_t at = message.find(":  "); at != std::string::npos; at = message.find(":  ", at + 1)) {
        const std::string code = message.substr(at + 3, 6);
        if (code.size() == 6 && code[5] == ':' &&
            std::all_of(code.begin(), code.begin() + 5, [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'Z');
            })) {
            return code.substr(0, 5);
        }
    }
    return "";
}

// The verbose message as the default one reads: without the SQLSTATE and the server's source line.
std::string without_code_and_location(std::string message, const std::string& code) {
    if (const auto at = message.find("LOCATION:"); at != std::string::npos) message.erase(at);
    if (!code.empty()) {
        if (const auto at = message.find(":  " + code + ": "); at != std::string::npos) message.erase(at + 3, 7);
    }
    return one_line(message);
}

// Whether a server that answered a login with this SQLSTATE refused the person (their role or
// password), rather than being unable to take anyone: starting up or shutting down (57P..), out of
// connections (53...), a database that is not there (3D000, checked only after the password).
bool refuses_the_person(const std::string& code) {
    if (code.empty()) return false;
    return code.compare(0, 2, "57") != 0 && code.compare(0, 2, "53") != 0 && code.compare(0, 2, "08") != 0 &&
           code != "3D000";
}

}  // namespace

void PgConnection::connect(const std::string& conninfo, const SessionLimits& limits,
                           const std::vector<std::pair<const char*, const char*>>& login) {
    const auto given = parse_conninfo(conninfo);
    // The user's string comes after our defaults (so its own connect_timeout or keepalives win)
    // and before the encoding, which the program's texts need; a login's role and password come
    // last of all. Keepalives find a link that died without a word: the client gives up after
    // about a minute of silence from the network.
    std::vector<const char*> keywords{"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                                      "keepalives_count", "tcp_user_timeout", "fallback_application_name", "dbname",
                                      "client_encoding"};
    std::vector<const char*> values{"10", "1", "30", "10", "3", "60000", "ijken", conninfo.c_str(), "UTF8"};
    for (const auto& [keyword, value] : login) {
        keywords.push_back(keyword);
        values.push_back(value);
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    // Connecting step by step, so that a cancel is seen while a server is being reached as well.
    conn_ = pq().PQconnectStartParams(keywords.data(), values.data(), 1);
    if (conn_ == nullptr) throw FleetError("cannot connect to the office database: out of memory");
    // A login tells a refused person from a server that takes nobody by the SQLSTATE, which the
    // verbose form of the message carries.
    const bool is_login = !login.empty();
    if (is_login) pq().PQsetErrorVerbosity(conn_, PQERRORS_VERBOSE);
    const int limit_ms = connect_limit_ms(given);
    PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
    while (pq().PQstatus(conn_) != CONNECTION_BAD && polled != PGRES_POLLING_OK && polled != PGRES_POLLING_FAILED) {
        wait_for(polled == PGRES_POLLING_READING ? POLLIN : POLLOUT, limit_ms,
                 "cannot connect to the office database: no answer within " + std::to_string(limit_ms / 1000) + " s");
        polled = pq().PQconnectPoll(conn_);
    }
    if (pq().PQstatus(conn_) != CONNECTION_OK) {
        std::string reason = mask_passwords(last_error(), conninfo);
        const std::string code = is_login ? connect_sqlstate(pq().PQerrorMessage(conn_)) : "";
        if (is_login) reason = mask_passwords(without_code_and_location(pq().PQerrorMessage(conn_), code), conninfo);
        pq().PQfinish(conn_);
        conn_ = nullptr;
        if (refuses_the_person(code)) throw LoginRefused("the office database refused the login: " + reason);
        throw FleetError("cannot connect to the office database: " + reason);
    }
    if (is_login) {
        // trust or peer in pg_hba.conf let any password in: a login the server did not check is
        // none, and nothing runs on its connection.
        if (!pq().PQconnectionUsedPassword(conn_)) {
            pq().PQfinish(conn_);
            conn_ = nullptr;
            throw LoginRefused(kNoPasswordAsked);
        }
        pq().PQsetErrorVerbosity(conn_, PQERRORS_DEFAULT);
    }
    // The server's notices ("skipping", "will be truncated") are not the user's business: a command
    // says one line, and only when something failed.
    pq().PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    // Sending never blocks: a stalled link is waited for with the cancel flag and the patience.
    pq().PQsetnonblocking(conn_, 1);
    patience_ms_ = limits.statement_timeout_ms + limits.statement_timeout_ms / 2;
    apply_limits(limits);
}

void PgConnection::apply_limits(const SessionLimits& limits) {
    // The server's own side of the link: a client that stops answering at the TCP level (a link
    // that drops packets without a word) is found by the server's keepalives and its unacknowledged
    // data within about a minute, as the client finds the server, instead of the system's default
    // of two hours. Over a Unix socket the server ignores them.
    const std::pair<const char*, int> ours[] = {{"lock_timeout", limits.lock_timeout_ms},
                                                {"statement_timeout", limits.statement_timeout_ms},
                                                {"idle_in_transaction_session_timeout", limits.idle_in_transaction_ms},
                                                {"tcp_keepalives_idle", 30},
                                                {"tcp_keepalives_interval", 10},
                                                {"tcp_keepalives_count", 3},
                                                {"tcp_user_timeout", 60000}};
    // A limit the connection string set (options='-c ...', or PGOPTIONS) stays.
    const PgResult given = exec("SELECT name FROM pg_settings WHERE source = 'client' AND name IN"
                                " ('lock_timeout', 'statement_timeout', 'idle_in_transaction_session_timeout',"
                                " 'tcp_keepalives_idle', 'tcp_keepalives_interval', 'tcp_keepalives_count',"
                                " 'tcp_user_timeout')");
    std::string set = "SET TIME ZONE 'UTC'";
    for (const auto& [name, ms] : ours) {
        bool kept = false;
        for (int r = 0; r < given.rows(); ++r) kept = kept || given.text(r, 0) == name;
        if (!kept) set += std::string("; SET ") + name + " = " + std::to_string(ms);
    }
    exec(set);
    const PgResult statement = exec("SELECT setting::bigint FROM pg_settings WHERE name = 'statement_timeout'");
    long long ms = 0;
    const std::string_view t = statement.text(0, 0);
    std::from_chars(t.data(), t.data() + t.size(), ms);
    patience_ms_ = static_cast<int>(std::min<long long>(ms + ms / 2, 2147483647));
}

PgConnection::~PgConnection() {
    if (conn_) pq().PQfinish(conn_);
}

std::string PgConnection::last_error() const {
    if (conn_ == nullptr) return "the connection is closed";
    return one_line(pq().PQerrorMessage(conn_));
}

void PgConnection::abandon(const std::string& why) {
    // Closing is the one way to stop at once: the server sees the client go and rolls back, unless
    // the COMMIT had gone out already: then nobody here can tell.
    pq().PQfinish(conn_);
    conn_ = nullptr;
    if (committing_) throw FleetError(why == kCancelled ? std::string("cancelled; ") + kOutcomeUnknown : kOutcomeUnknown);
    throw FleetError(why);
}

void PgConnection::fail(const std::string& what, pg_result* result) {
    // Only the primary message: the detail and the context lines may quote a row's content ("COPY
    // in_surveys, line 1: ..."), which a one-line error of the program never shows.
    const char* primary = result ? pq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string reason = primary ? one_line(primary) : result ? one_line(pq().PQresultErrorMessage(result)) : last_error();
    const char* state = result ? pq().PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state ? state : "";
    if (result) pq().PQclear(result);
    if (reason.rfind("ERROR: ", 0) == 0) reason.erase(0, 7);
    // The server answered the COMMIT with an error (it rolled back); anything else there (the link
    // went, libpq's own error) leaves the outcome open.
    if (committing_ && code.empty()) throw FleetError(kOutcomeUnknown);
    // A lock another push holds longer than lock_timeout: the user's answer is to try later.
    if (code == "55P03") throw FleetError(std::string(kBusy) + " (" + reason + ")");
    // statement_timeout: the server worked (or waited) longer than the session allows.
    if (code == "57014") {
        throw FleetError(what + reason + "; nothing was changed at the office; try again when the link or the office"
                                         " is less busy, or allow more time (options='-c statement_timeout=120s')");
    }
    // idle_in_transaction_session_timeout: the link stopped (or crawled) for that long.
    if (code == "25P03") {
        throw FleetError(what + reason + "; the link carried nothing for longer than the office allows; nothing was"
                                         " changed at the office; try again");
    }
    // The link went (libpq's own message): the push may simply be sent again.
    if (code.empty()) throw FleetError(what + reason + "; try again");
    throw FleetError(what + reason);
}

void PgConnection::wait_for(short events) {
    wait_for(events, patience_ms_,
             "the office database did not answer for " + std::to_string(patience_ms_ / 1000) +
                 " s; the link is probably down; nothing was changed at the office; try again");
}

void PgConnection::wait_for(short events, int limit_ms, const std::string& on_silence) {
    using Clock = std::chrono::steady_clock;
    auto silent_since = Clock::now();
    // What we sent that the server has not taken yet: while it shrinks, the link moves, however
    // slowly, and the wait for the answer is not silence.
    int unsent = -1;
    while (true) {
        if (cancel_ && cancel_->load()) abandon(kCancelled);
        pollfd p{pq().PQsocket(conn_), events, 0};
        if (p.fd < 0) fail("the connection to the office database failed: ");
        // Short rounds, so that a cancel is seen within a tenth of a second.
        const int n = poll(&p, 1, 100);
        if (n < 0 && errno != EINTR) fail("the connection to the office database failed: ");
        if (n > 0) return;
        int queued = 0;
        if (ioctl(p.fd, TIOCOUTQ, &queued) == 0) {
            if (unsent >= 0 && queued < unsent) silent_since = Clock::now();
            unsent = queued;
        }
        const auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - silent_since);
        if (limit_ms > 0 && silent.count() > limit_ms) abandon(on_silence);
    }
}

void PgConnection::flush() {
    while (true) {
        const int r = pq().PQflush(conn_);
        if (r == 0) return;
        if (r < 0) fail("sending to the office database failed: ");
        wait_for(POLLOUT | POLLIN);
        // The server may answer (an error) before it reads everything: read what it said.
        if (pq().PQconsumeInput(conn_) != 1) fail("sending to the office database failed: ");
    }
}

void PgConnection::drain_after_failure() {
    // The failure's own result says why; a connection that falls meanwhile (the server ended the
    // session after its FATAL message) adds nothing to it.
    try {
        while (pg_result* rest = next_result()) pq().PQclear(rest);
    } catch (const FleetError&) {
    }
}

pg_result* PgConnection::next_result() {
    while (pq().PQisBusy(conn_)) {
        wait_for(POLLIN);
        if (pq().PQconsumeInput(conn_) != 1) fail("the connection to the office database failed: ");
    }
    return pq().PQgetResult(conn_);
}

namespace {

struct Params {
    std::vector<const char*> values;
    explicit Params(const std::vector<PgValue>& params) {
        for (const PgValue& p : params) values.push_back(p ? p->c_str() : nullptr);
    }
};

bool succeeded(pg_result* r) {
    const ExecStatusType status = r ? pq().PQresultStatus(r) : PGRES_FATAL_ERROR;
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

}  // namespace

PgResult PgConnection::exec(const std::string& sql, const std::vector<PgValue>& params) {
    if (conn_ == nullptr) throw FleetError("the connection to the office database is closed");
    Params p(params);
    // Without parameters a text may hold several statements (the creation of the tables).
    const int sent = params.empty() ? pq().PQsendQuery(conn_, sql.c_str())
                                    : pq().PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(p.values.size()),
                                                             nullptr, p.values.data(), nullptr, nullptr, 0);
    if (sent != 1) fail("the office database refused: ");
    flush();
    // The last statement's result is the answer; the first failure is the error.
    pg_result* last = nullptr;
    while (pg_result* r = next_result()) {
        if (!succeeded(r)) {
            if (last) pq().PQclear(last);
            drain_after_failure();
            fail("the office database refused: ", r);
        }
        if (last) pq().PQclear(last);
        last = r;
    }
    if (last == nullptr) fail("the office database refused: ");
    return PgResult(last);
}

long long PgConnection::copy_in(const std::string& sql, std::string_view data) {
    if (conn_ == nullptr) throw FleetError("the connection to the office database is closed");
    if (pq().PQsendQuery(conn_, sql.c_str()) != 1) fail("the office database refused: ");
    flush();
    pg_result* r = next_result();
    if (r == nullptr || pq().PQresultStatus(r) != PGRES_COPY_IN) fail("the office database refused: ", r);
    pq().PQclear(r);
    // Sent in pieces: one call per 256 kB keeps libpq's buffer small.
    constexpr std::size_t kPiece = 1 << 18;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t n = std::min(kPiece, data.size() - at);
        const int put = pq().PQputCopyData(conn_, data.data() + at, static_cast<int>(n));
        if (put < 0) fail("sending to the office database failed: ");
        if (put == 0) {
            wait_for(POLLOUT);
            continue;
        }
        at += n;
        flush();
    }
    int end = 0;
    while ((end = pq().PQputCopyEnd(conn_, nullptr)) == 0) wait_for(POLLOUT);
    if (end < 0) fail("sending to the office database failed: ");
    flush();
    long long count = 0;
    while (pg_result* next = next_result()) {
        if (pq().PQresultStatus(next) != PGRES_COMMAND_OK) {
            drain_after_failure();
            fail("the office database refused: ", next);
        }
        count = PgResult(next).affected();
    }
    return count;
}

void PgConnection::send_streamed(const std::string& sql, const std::vector<PgValue>& params) {
    if (conn_ == nullptr) throw FleetError("the connection to the office database is closed");
    Params p(params);
    if (pq().PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(p.values.size()), nullptr, p.values.data(),
                               nullptr, nullptr, 0) != 1) {
        fail("the office database refused: ");
    }
    if (pq().PQsetSingleRowMode(conn_) != 1) fail("the office database refused: ");
    flush();
}

std::optional<PgResult> PgConnection::next_streamed() {
    pg_result* r = next_result();
    if (r == nullptr) return std::nullopt;
    switch (pq().PQresultStatus(r)) {
        case PGRES_SINGLE_TUPLE: return PgResult(r);
        case PGRES_TUPLES_OK: {
            // The end of the rows; the query is complete when libpq has nothing more.
            pq().PQclear(r);
            while (pg_result* rest = next_result()) pq().PQclear(rest);
            return std::nullopt;
        }
        default:
            drain_after_failure();
            fail("the office database refused: ", r);
    }
}

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) {
    connection_.exec("BEGIN");
}

PgTransaction::~PgTransaction() {
    if (done_) return;
    try {
        connection_.exec("ROLLBACK");
    } catch (...) {
        // The connection is gone; the server rolls the transaction back by itself.
    }
}

void PgTransaction::commit() {
    // Whatever happens from here, no ROLLBACK follows: either the server answered, or the outcome
    // is not known and a ROLLBACK would not tell.
    done_ = true;
    connection_.committing_ = true;
    try {
        connection_.exec("COMMIT");
    } catch (...) {
        connection_.committing_ = false;
        throw;
    }
    connection_.committing_ = false;
}

bool office_answers(const std::string& conninfo, int timeout_seconds) {
    try {
        const detail::Libpq& l = pq();
        // The connection string's own settings are read first; the timeout given here comes later
        // and so overrides a longer one of the string's.
        const std::string timeout = std::to_string(timeout_seconds);
        const char* keywords[] = {"dbname", "connect_timeout", nullptr};
        const char* values[] = {conninfo.c_str(), timeout.c_str(), nullptr};
        const PGPing answer = l.PQpingParams(keywords, values, 1);
        // No login is tried: a server that would refuse ours still answers, and the link is up.
        return answer == PQPING_OK;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace ijken::fleet
