#pragma once
// Small helpers shared by the data layer's tests.
#include <string>

#include "core/data/sqlite_exception.h"

namespace ijken::data::test {

// The message of the SQLiteException that `f` raises, or a marker when it raises none.
template <class F>
std::string error_of(F&& f) {
    try {
        f();
    } catch (const SQLiteException& e) {
        return e.what();
    }
    return "<no exception>";
}

// The three-line message that RaiseError builds from SQLite's last error.
inline std::string detailed(const std::string& message, int code, const std::string& description,
                            const std::string& sql, const std::string& sqlite_text) {
    return message + ".\rError [" + std::to_string(code) + "]: " + description + ".\r\"" + sql +
           "\": " + sqlite_text;
}

}  // namespace ijken::data::test
