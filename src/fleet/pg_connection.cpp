#include "fleet/pg_connection.h"

#include <libpq-fe.h>

#include <charconv>

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

void PgResult::Clear::operator()(pg_result* r) const {
    PQclear(r);
}

int PgResult::rows() const {
    return PQntuples(result_.get());
}

int PgResult::columns() const {
    return PQnfields(result_.get());
}

bool PgResult::is_null(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view PgResult::text(int row, int column) const {
    return {PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

PgValue PgResult::value(int row, int column) const {
    if (is_null(row, column)) return std::nullopt;
    return std::string(text(row, column));
}

long long PgResult::affected() const {
    const std::string_view n = PQcmdTuples(result_.get());
    long long count = 0;
    std::from_chars(n.data(), n.data() + n.size(), count);
    return count;
}

PgConnection::PgConnection(const std::string& conninfo) {
    if (conninfo.empty()) throw FleetError("the connection string is empty", 2);
    // Parsing first tells a malformed string (the user's to correct) from a server that is away.
    char* parse_error = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(conninfo.c_str(), &parse_error);
    if (parsed == nullptr) {
        std::string reason = parse_error ? one_line(parse_error) : "out of memory";
        PQfreemem(parse_error);
        throw FleetError("invalid connection string: " + reason, 2);
    }
    PQconninfoFree(parsed);
    // The user's string comes after our defaults (so its connect_timeout wins) and before the
    // encoding, which the program's texts need.
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname", "client_encoding",
                              nullptr};
    const char* values[] = {"10", "ijken", conninfo.c_str(), "UTF8", nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (conn_ == nullptr) throw FleetError("cannot connect to the office database: out of memory");
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string reason = last_error();
        PQfinish(conn_);
        conn_ = nullptr;
        throw FleetError("cannot connect to the office database: " + reason);
    }
    // The server's notices ("skipping", "will be truncated") are not the user's business: a command
    // says one line, and only when something failed.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    exec("SET TIME ZONE 'UTC'");
}

PgConnection::~PgConnection() {
    if (conn_) PQfinish(conn_);
}

std::string PgConnection::last_error() const {
    return one_line(PQerrorMessage(conn_));
}

void PgConnection::fail(const std::string& what, pg_result* result) const {
    std::string reason = result ? one_line(PQresultErrorMessage(result)) : last_error();
    if (result) PQclear(result);
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
    pg_result* r = params.empty() ? PQexec(conn_, sql.c_str())
                                  : PQexecParams(conn_, sql.c_str(), static_cast<int>(p.values.size()), nullptr,
                                                 p.values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail("the office database refused: ", r);
    return PgResult(r);
}

long long PgConnection::copy_in(const std::string& sql, std::string_view data) {
    pg_result* r = PQexec(conn_, sql.c_str());
    if (r == nullptr || PQresultStatus(r) != PGRES_COPY_IN) fail("the office database refused: ", r);
    PQclear(r);
    // Sent in pieces: one call per megabyte keeps libpq's buffer small.
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = 0; at < data.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, data.size() - at);
        if (PQputCopyData(conn_, data.data() + at, static_cast<int>(n)) != 1) {
            fail("sending to the office database failed: ");
        }
    }
    if (PQputCopyEnd(conn_, nullptr) != 1) fail("sending to the office database failed: ");
    long long count = 0;
    while (pg_result* next = PQgetResult(conn_)) {
        if (PQresultStatus(next) != PGRES_COMMAND_OK) {
            while (pg_result* rest = PQgetResult(conn_)) PQclear(rest);
            fail("the office database refused: ", next);
        }
        count = PgResult(next).affected();
    }
    return count;
}

void PgConnection::send_streamed(const std::string& sql, const std::vector<PgValue>& params) {
    Params p(params);
    if (PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(p.values.size()), nullptr, p.values.data(),
                          nullptr, nullptr, 0) != 1) {
        fail("the office database refused: ");
    }
    if (PQsetSingleRowMode(conn_) != 1) fail("the office database refused: ");
}

std::optional<PgResult> PgConnection::next_streamed() {
    pg_result* r = PQgetResult(conn_);
    if (r == nullptr) return std::nullopt;
    switch (PQresultStatus(r)) {
        case PGRES_SINGLE_TUPLE: return PgResult(r);
        case PGRES_TUPLES_OK: {
            // The end of the rows; the query is complete when libpq has nothing more.
            PQclear(r);
            while (pg_result* rest = PQgetResult(conn_)) PQclear(rest);
            return std::nullopt;
        }
        default:
            while (pg_result* rest = PQgetResult(conn_)) PQclear(rest);
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
