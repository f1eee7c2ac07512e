#pragma once
// A connection to the office's PostgreSQL database through libpq, owned by RAII like the SQLite
// connection: the connection, each result and the transaction own their handles, destructors never
// throw, and a connection dropped while a transaction is open rolls it back (the server does so
// when the client goes away, too). libpq (libpq.so.5) is loaded when the first connection is made,
// not when the program starts.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace ijken::fleet {

// A failure with its one-line message (UTF-8) and the exit status a command ends with: 2 for
// input the user must correct (a malformed connection string), 1 for everything else.
class FleetError : public std::runtime_error {
  public:
    explicit FleetError(const std::string& message, int exit_status = 1)
        : std::runtime_error(message), exit_status_(exit_status) {}
    int exit_status() const { return exit_status_; }

  private:
    int exit_status_;
};

// Loads libpq when it is not loaded yet. Throws FleetError (exit status 1) when it is not installed
// or lacks a function the program calls; a later call tries again.
void require_client_library();

// For tests: the next load opens this file instead of libpq.so.5. No connection or result may be
// alive when it is called.
void set_client_library_file(const std::string& file_name);

// A parameter of a statement: text as PostgreSQL reads it, or SQL NULL.
using PgValue = std::optional<std::string>;

class PgResult {
  public:
    explicit PgResult(pg_result* result) : result_(result) {}
    int rows() const;
    int columns() const;
    bool is_null(int row, int column) const;
    // The value's text ("" for NULL).
    std::string_view text(int row, int column) const;
    PgValue value(int row, int column) const;
    // The count a command reports (rows inserted, updated...), 0 when it reports none.
    long long affected() const;

  private:
    struct Clear {
        void operator()(pg_result* r) const;
    };
    std::unique_ptr<pg_result, Clear> result_;
};

class PgConnection {
  public:
    // Connects with a libpq connection string or URI. Passwords come from libpq's own places
    // (PGPASSWORD, ~/.pgpass, a service file). The session speaks UTF-8 and UTC. Throws FleetError:
    // exit status 2 for a string libpq cannot parse, 1 for a server that cannot be reached or
    // refuses. The messages never repeat the string, which may hold a password.
    explicit PgConnection(const std::string& conninfo);
    // The same as a given role with its password (the office's web login): they override whatever
    // the string names, and libpq takes no password from its own places. A role or password that
    // the server refuses is exit status 1 with the server's message.
    PgConnection(const std::string& conninfo, const std::string& user, const std::string& password);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement with its parameters ($1, $2 ...); throws FleetError on failure.
    PgResult exec(const std::string& sql, const std::vector<PgValue>& params = {});
    // Runs a COPY ... FROM STDIN with `data` (text format) as its input.
    long long copy_in(const std::string& sql, std::string_view data);

    // A query whose rows arrive one at a time (memory stays flat however many there are): calls
    // `row` with a one-row result for each.
    template <class F>
    void stream(const std::string& sql, const std::vector<PgValue>& params, F&& row) {
        send_streamed(sql, params);
        while (auto r = next_streamed()) row(*r);
    }

    // The server's text of the last failure, on one line.
    std::string last_error() const;

  private:
    void connect(const std::string& conninfo, const char* const* extra_keywords, const char* const* extra_values);
    void send_streamed(const std::string& sql, const std::vector<PgValue>& params);
    std::optional<PgResult> next_streamed();
    [[noreturn]] void fail(const std::string& what, pg_result* result = nullptr) const;

    pg_conn* conn_ = nullptr;
};

// BEGIN in the constructor, ROLLBACK in the destructor unless commit() was called.
class PgTransaction {
  public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    void commit();

  private:
    PgConnection& connection_;
    bool done_ = false;
};

// A text on one line: line ends and tabs become single blanks, trailing blanks go.
std::string one_line(std::string_view text);

// A field of COPY's text format: backslash, tab and line ends escaped, NULL as \N.
void append_copy_field(std::string& out, const PgValue& value);

}  // namespace ijken::fleet
