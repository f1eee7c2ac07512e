#pragma once
// The identity of a barge's database in the fleet: a random UUID, kept in a table of its own that
// the first push adds to ijken.db (store/installation.h). The designed tables are never touched.
#include <optional>
#include <string>

namespace ijken::fleet {

// The database's installation id, or nothing before its first push. Never writes.
std::optional<std::string> read_installation_id(const std::string& db_pad);

// The installation id, created (table and row, in one transaction) when the database has none.
std::string ensure_installation_id(const std::string& db_pad);

// A random version-4 UUID in its lower-case text form.
std::string random_uuid();

// Whether text is a UUID in the 8-4-4-4-12 hexadecimal form.
bool is_uuid(const std::string& text);

}  // namespace ijken::fleet
