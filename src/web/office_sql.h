#pragma once
// The pieces of SQL and the small reads that office_reads.cpp and survey_list.cpp share: how a
// loaded tonnage becomes a number, and which ship of a number a version belongs to.
#include <optional>
#include <string>
#include <string_view>

#include "fleet/pg_connection.h"
#include "web/office_reads.h"

namespace ijken::web::sql {

// s.e42 as numeric, NULL where it holds no number of bounded length.
extern const char* const kLoaded;

// The caller's transaction reads one snapshot and writes nothing.
void read_only(fleet::PgConnection& db);
long long integer(std::string_view text);

// What the data a page reads looks like now: it changes with every push and every name the office
// gives a barge, and with the month.
std::string data_stamp(fleet::PgConnection& db);

// The period of the ship a key names, [from, until), or nothing when there is no such ship.
struct Period {
    int bearer = 1, bearers = 1;
    std::string from;
    fleet::PgValue until;
};
std::optional<Period> period_of(fleet::PgConnection& db, const RowKey& key);

// The key that names the `bearer`-th of `bearers` ships of a number: ~K only for an earlier one.
RowKey named(const std::string& installation, long long number, int bearer, int bearers);

// A select expression "K/N": which ship of its number the version of s's ship that began at `at`
// belongs to, of how many; key_of() reads it back into a key.
std::string bearer_of(const std::string& at);
RowKey key_of(std::string_view installation, std::string_view number, std::string_view bearer);

}  // namespace ijken::web::sql
