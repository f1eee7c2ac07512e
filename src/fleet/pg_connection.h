#pragma once
// A connection to the office's PostgreSQL database through libpq, owned by RAII like the SQLite
// connection: the connection, each result and the transaction own their handles, destructors never
// throw, and a connection dropped while a transaction is open rolls it back (the server does so
// when the client goes away, too). libpq (libpq.so.5) is loaded when the first connection is made,
// not when the program starts.
#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
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

// A login the server refused: an unknown role, a wrong password, a role that may not log in, or a
// server that let the role in without checking its password at all (trust or peer in pg_hba.conf).
// Any other failure to log in (no server, a server starting or stopping, no free connection) is a
// plain FleetError: it says nothing about the person's name or password.
class LoginRefused : public FleetError {
  public:
    using FleetError::FleetError;
};

// Why a web login is refused when the server did not ask for a password.
inline constexpr const char* kNoPasswordAsked =
    "the server did not ask for a password: use scram-sha-256 for the web logins";

// Loads libpq when it is not loaded yet. Throws FleetError (exit status 1) when it is not installed
// or lacks a function the program calls; a later call tries again.
void require_client_library();

// For tests: the next load opens this file instead of libpq.so.5. No connection or result may be
// alive when it is called.
void set_client_library_file(const std::string& file_name);

// libpq's own reading of a connection string (PQconninfoParse): the keywords it sets with their
// values, percent-decoded keys and values of a URI included; nothing when libpq cannot parse it or
// is not installed. Never throws and never connects.
std::optional<std::vector<std::pair<std::string, std::string>>> libpq_reading(const std::string& conninfo);

// Whether a server answers at the connection string's address within timeout_seconds (libpq's
// PQping: no login, no query). False when the string cannot be read or libpq is not installed.
// Never throws.
bool office_answers(const std::string& conninfo, int timeout_seconds);

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

// What a session may take. The server ends a statement that runs longer than statement_timeout,
// a wait for a lock longer than lock_timeout, and a session that sits in an open transaction
// without a whole statement from the client longer than idle_in_transaction (so a barge whose
// link died holds nothing for long; a statement that is only half way over the link counts as
// silence too, since the server reads the next statement under that limit). The client in turn gives up on a server that stays silent for one and
// a half times the statement timeout (a link that stopped without closing). A value the
// connection string sets itself (options='-c statement_timeout=5s') wins; 0 is no limit.
struct SessionLimits {
    int lock_timeout_ms = 20000;
    int statement_timeout_ms = 60000;
    int idle_in_transaction_ms = 60000;
};

// The limits of a push, and those of the office's reading commands (a long list over a slow
// link streams for a while).
inline constexpr SessionLimits kPushLimits{};
inline constexpr SessionLimits kReadLimits{20000, 600000, 60000};

class PgConnection {
  public:
    // Connects with a libpq connection string or URI. Passwords come from libpq's own places
    // (PGPASSWORD, ~/.pgpass, a service file). The session speaks UTF-8 and UTC, and TCP
    // keepalives are on. Throws FleetError: exit status 2 for a string libpq cannot parse or a
    // value it would refuse, 1 for a server that cannot be reached or refuses. The messages never
    // hold a password. `cancel`, when given, is watched while the connection waits for the
    // server: once it is set the connection is closed (the server rolls back) and the waiting
    // call throws FleetError.
    explicit PgConnection(const std::string& conninfo, const SessionLimits& limits = kPushLimits,
                          const std::atomic<bool>* cancel = nullptr);
    // The same as a given role with its password (the office's web login): they override whatever
    // the string names, and libpq takes no password from its own places. A role or password that
    // the server refuses, and a server that lets the role in without asking for its password, throw
    // LoginRefused with the server's message (never the password); a server that cannot be reached
    // throws FleetError.
    PgConnection(const std::string& conninfo, const std::string& user, const std::string& password,
                 const SessionLimits& limits = kReadLimits);
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

    // How long the client waits for a silent server before it gives up, in ms (0: for ever).
    int patience_ms() const { return patience_ms_; }

    // Whether the link to the server still stands, without waiting: what the server sent while the
    // connection was idle is read first. It falls when the server ends the session (a restart,
    // pg_terminate_backend) or the client gave up on it; every call then throws.
    bool connected();

  private:
    void connect(const std::string& conninfo, const SessionLimits& limits,
                 const std::vector<std::pair<const char*, const char*>>& login);
    void apply_limits(const SessionLimits& limits);
    void send_streamed(const std::string& sql, const std::vector<PgValue>& params);
    std::optional<PgResult> next_streamed();
    // The next result of the statement sent, waiting for it; nothing when the statement is done.
    pg_result* next_result();
    // Reads what is left of a statement that failed, the failure's result still to be reported.
    void drain_after_failure();
    void flush();
    // Waits until the socket is ready for `events`, watching the cancel flag and the patience.
    void wait_for(short events);
    void wait_for(short events, int limit_ms, const std::string& on_silence);
    [[noreturn]] void abandon(const std::string& why);
    [[noreturn]] void fail(const std::string& what, pg_result* result = nullptr);

    pg_conn* conn_ = nullptr;
    const std::atomic<bool>* cancel_ = nullptr;
    int patience_ms_ = 0;
    // The COMMIT is on its way: a failure now without the server's answer leaves it open whether
    // the transaction committed.
    bool committing_ = false;
    friend class PgTransaction;
};

// BEGIN in the constructor, ROLLBACK in the destructor unless commit() was called. A commit whose
// answer does not come (the link stops after the COMMIT went out, or a cancel then) throws
// FleetError with kOutcomeUnknown; one the server refuses throws its reason (nothing committed).
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

// The messages of a cancelled push and of a busy office, as the commands and the window show them.
inline constexpr const char* kCancelled = "cancelled; nothing was changed at the office";
inline constexpr const char* kBusy = "the office database is busy; try again";
// Where the COMMIT went out and its answer did not come back.
inline constexpr const char* kOutcomeUnknown =
    "it is not known whether the office received this; send again: a repeated send changes nothing twice";

// A text on one line: line ends and tabs become single blanks, trailing blanks go.
std::string one_line(std::string_view text);

// A field of COPY's text format: backslash, tab and line ends escaped, NULL as \N.
void append_copy_field(std::string& out, const PgValue& value);

}  // namespace ijken::fleet
