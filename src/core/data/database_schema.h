#pragma once
// The database file beside the program: where it lives, and how a new one is created and seeded
// with five ships, a gauge table for the first and three surveys of it.
#include <string>

namespace ijken::data {

// The program's directory followed by "ijken.db" (a separator is added when the directory has none).
std::string database_path(const std::string& program_dir);

// Creates the tables and indexes in the file at `db_pad` and seeds them. Raises SQLiteException at
// the first failing statement; what was done before stays in the file, the open seed transaction is
// rolled back.
void create_database(const std::string& db_pad);

// Creates the database only when no file exists at `db_pad`. An existing file, whatever it holds
// (even nothing), is left as it is. Returns whether it created one.
//
// The new file is built beside `db_pad` under a temporary name ("ijken.db.<pid>.new") and renamed
// into place only when complete, so a start that is killed or fails half-way leaves no file that a
// later start would take as complete; that later start removes the abandoned temporary file and
// builds the database anew. When another start put a file in place meanwhile, that one is kept.
bool create_database_if_missing(const std::string& db_pad);

// The creation statements, as they are run (and as sqlite_master keeps them).
extern const char* const kCreateSchiptable;
extern const char* const kCreateSchiptableIndex;
extern const char* const kCreateIJKtable;
extern const char* const kCreateIJkOpnames;
extern const char* const kCreateOpnameIndex;

}  // namespace ijken::data
