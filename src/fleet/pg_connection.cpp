#include "fleet/pg_connection.h"

#include <dlfcn.h>
#include <libpq-fe.h>

#include <atomic>
#include <charconv>
#include <mutex>

namespace ijken::fleet {

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

namespace {

// The libpq functions the program calls. The program does not link libpq: every start would load
// it and the two dozen libraries it needs (TLS, Kerberos, LDAP...), for a few commands that talk to
// the office. It is loaded at the first of these instead, and its functions looked up by name.
#define IJKEN_LIBPQ_FUNCTIONS(X) \
    X(PQclear) X(PQcmdTuples) X(PQconnectdbParams) X(PQconninfoFree) X(PQconninfoParse) \
    X(PQerrorMessage) X(PQexec) X(PQexecParams) X(PQfinish) X(PQfreemem) X(PQgetResult) \
    X(PQgetisnull) X(PQgetlength) X(PQgetvalue) X(PQnfields) X(PQntuples) X(PQputCopyData) \
    X(PQputCopyEnd) X(PQresultErrorMessage) X(PQresultStatus) X(PQsendQueryParams) \
    X(PQsetNoticeProcessor) X(PQsetSingleRowMode) X(PQstatus)

struct Libpq {
#define IJKEN_LIBPQ_POINTER(name) decltype(&::name) name = nullptr;
    IJKEN_LIBPQ_FUNCTIONS(IJKEN_LIBPQ_POINTER)
#undef IJKEN_LIBPQ_POINTER
};

std::mutex library_mutex;
std::string library_file = "libpq.so.5";
Libpq library;
std::atomic<const Libpq*> loaded{nullptr};

// Opens the library and looks its functions up. Throws FleetError, and may be tried again.
const Libpq& load_library() {
    std::lock_guard<std::mutex> lock(library_mutex);
    if (const Libpq* l = loaded.load()) return *l;
    dlerror();
    void* handle = dlopen(library_file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        const std::string reason = error ? one_line(error) : "";
        if (reason.empty() || reason.find("No such file") != std::string::npos) {
            throw FleetError("the PostgreSQL client library " + library_file +
                             " is not installed (Debian package libpq5)");
        }
        throw FleetError("the PostgreSQL client library " + library_file + " cannot be loaded: " + reason);
    }
    Libpq found;
    const char* missing = nullptr;
#define IJKEN_LIBPQ_RESOLVE(name)                                              \
    found.name = reinterpret_cast<decltype(found.name)>(dlsym(handle, #name)); \
    if (found.name == nullptr && missing == nullptr) missing = #name;
    IJKEN_LIBPQ_FUNCTIONS(IJKEN_LIBPQ_RESOLVE)
#undef IJKEN_LIBPQ_RESOLVE
    if (missing) {
        dlclose(handle);
        throw FleetError("the PostgreSQL client library " + library_file + " lacks " + missing);
    }
    // The library stays loaded for the rest of the process.
    library = found;
    loaded.store(&library);
    return library;
}

const Libpq& pq() {
    if (const Libpq* l = loaded.load(std::memory_order_acquire)) return *l;
    return load_library();
}

}  // namespace

void require_client_library() {
    pq();
}

void set_client_library_file(const std::string& file_name) {
    std::lock_guard<std::mutex> lock(library_mutex);
    library_file = file_name;
    loaded.store(nullptr);
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

PgConnection::PgConnection(const std::string& conninfo) {
    const char* none[] = {nullptr};
    connect(conninfo, none, none);
}

PgConnection::PgConnection(const std::string& conninfo, const std::string& user, const std::string& password) {
    // An empty password would let libpq look in PGPASSWORD and ~/.pgpass of the process: the
    // caller's login would then borrow the server's own credentials.
    if (user.empty() || password.empty()) throw FleetError("a user name and a password are needed");
    const char* keywords[] = {"user", "password", "passfile", nullptr};
    const char* values[] = {user.c_str(), password.c_str(), "/dev/null", nullptr};
    connect(conninfo, keywords, values);
}

void PgConnection::connect(const std::string& conninfo, const char* const* extra_keywords,
                           const char* const* extra_values) {
    if (conninfo.empty()) throw FleetError("the connection string is empty", 2);
    // Parsing first tells a malformed string (the user's to correct) from a server that is away.
    char* parse_error = nullptr;
    PQconninfoOption* parsed = pq().PQconninfoParse(conninfo.c_str(), &parse_error);
    if (parsed == nullptr) {
        std::string reason = parse_error ? one_line(parse_error) : "out of memory";
        pq().PQfreemem(parse_error);
        throw FleetError("invalid connection string: " + reason, 2);
    }
    pq().PQconninfoFree(parsed);
    // The user's string comes after our defaults (so its connect_timeout wins) and before the
    // encoding, which the program's texts need; a login's role and password come last of all.
    std::vector<const char*> keywords{"connect_timeout", "fallback_application_name", "dbname", "client_encoding"};
    std::vector<const char*> values{"10", "ijken", conninfo.c_str(), "UTF8"};
    for (; *extra_keywords; ++extra_keywords, ++extra_values) {
        keywords.push_back(*extra_keywords);
        values.push_back(*extra_values);
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = pq().PQconnectdbParams(keywords.data(), values.data(), 1);
    if (conn_ == nullptr) throw FleetError("cannot connect to the office database: out of memory");
    if (pq().PQstatus(conn_) != CONNECTION_OK) {
        const std::string reason = last_error();
        pq().PQfinish(conn_);
        conn_ = nullptr;
        throw FleetError("cannot connect to the office database: " + reason);
    }
    // The server's notices ("skipping", "will be truncated") are not the user's business: a command
    // says one line, and only when something failed.
    pq().PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    exec("SET TIME ZONE 'UTC'");
}

PgConnection::~PgConnection() {
    if (conn_) pq().PQfinish(conn_);
}

std::string PgConnection::last_error() const {
    return one_line(pq().PQerrorMessage(conn_));
}

void PgConnection::fail(const std::string& what, pg_result* result) const {
    std::string reason = result ? one_line(pq().PQresultErrorMessage(result)) : last_error();
    if (result) pq().PQclear(result);
    if (reason.rfind("ERROR: ", 0) == 0) reason.erase(0, 7);
    throw FleetError(what + reason);
}

namespace {

struct Params {
    std::vector<const char*> values;
    explicit Params(const std::vector<PgValue>& params) {
        for (const PgValue& p : params) values.push_back(p ? p->c_str() : nullptr);
    }
};

}  // namespace

PgResult PgConnection::exec(const std::string& sql, const std::vector<PgValue>& params) {
    Params p(params);
    // Without parameters a text may hold several statements (the creation of the tables).
    pg_result* r = params.empty() ? pq().PQexec(conn_, sql.c_str())
                                  : pq().PQexecParams(conn_, sql.c_str(), static_cast<int>(p.values.size()), nullptr,
                                                 p.values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = r ? pq().PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail("the office database refused: ", r);
    return PgResult(r);
}

long long PgConnection::copy_in(const std::string& sql, std::string_view data) {
    pg_result* r = pq().PQexec(conn_, sql.c_str());
    if (r == nullptr || pq().PQresultStatus(r) != PGRES_COPY_IN) fail("the office database refused: ", r);
    pq().PQclear(r);
    // Sent in pieces: one call per megabyte keeps libpq's buffer small.
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = 0; at < data.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, data.size() - at);
        if (pq().PQputCopyData(conn_, data.data() + at, static_cast<int>(n)) != 1) {
            fail("sending to the office database failed: ");
        }
    }
    if (pq().PQputCopyEnd(conn_, nullptr) != 1) fail("sending to the office database failed: ");
    long long count = 0;
    while (pg_result* next = pq().PQgetResult(conn_)) {
        if (pq().PQresultStatus(next) != PGRES_COMMAND_OK) {
            while (pg_result* rest = pq().PQgetResult(conn_)) pq().PQclear(rest);
            fail("the office database refused: ", next);
        }
        count = PgResult(next).affected();
    }
    return count;
}

void PgConnection::send_streamed(const std::string& sql, const std::vector<PgValue>& params) {
    Params p(params);
    if (pq().PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(p.values.size()), nullptr, p.values.data(),
                          nullptr, nullptr, 0) != 1) {
        fail("the office database refused: ");
    }
    if (pq().PQsetSingleRowMode(conn_) != 1) fail("the office database refused: ");
}

std::optional<PgResult> PgConnection::next_streamed() {
    pg_result* r = pq().PQgetResult(conn_);
    if (r == nullptr) return std::nullopt;
    switch (pq().PQresultStatus(r)) {
        case PGRES_SINGLE_TUPLE: return PgResult(r);
        case PGRES_TUPLES_OK: {
            // The end of the rows; the query is complete when libpq has nothing more.
            pq().PQclear(r);
            while (pg_result* rest = pq().PQgetResult(conn_)) pq().PQclear(rest);
            return std::nullopt;
        }
        default:
            while (pg_result* rest = pq().PQgetResult(conn_)) pq().PQclear(rest);
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
    connection_.exec("COMMIT");
    done_ = true;
}

}  // namespace ijken::fleet
