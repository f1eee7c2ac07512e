#include "core/data/sqlite_table.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>

#include "core/data/sqlite_database.h"
#include "core/text/numbers.h"

namespace ijken::data {

namespace {

inline char upper_byte(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);  // à..þ, not ÷
    return c;
}

// The declared type decides the kind, compared as a whole word and with case respected: "float"
// written in lower case is text to us, as it always was.
ColumnKind kind_of(sqlite3_stmt* stmt, int column) {
    const char* declared = sqlite3_column_decltype(stmt, column);
    if (!declared) {
        // An expression or aggregate: whatever the first row's value happens to be.
        return static_cast<ColumnKind>(sqlite3_column_type(stmt, column));
    }
    auto is = [declared](const char* word) { return std::strcmp(declared, word) == 0; };
    if (is("INTEGER") || is("BOOLEAN")) return ColumnKind::Integer;
    if (is("NUMERIC") || is("FLOAT") || is("DOUBLE") || is("REAL")) return ColumnKind::Numeric;
    if (is("BLOB")) return ColumnKind::Blob;
    return ColumnKind::Text;
}

}  // namespace

std::string upper_case(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = upper_byte(c);
    return result;
}

void SQLiteTable::fetch(sqlite3_stmt* stmt, const SQLiteDatabase& db, const std::string& sql) {
    int rc = sqlite3_step(stmt);
    while (rc != SQLITE_DONE) {
        // Another connection held a lock for longer than the busy timeout.
        if (rc == SQLITE_BUSY) throw SQLiteException("Could not prepare SQL statement");
        if (rc != SQLITE_ROW) {
            sqlite3_reset(stmt);
            db.RaiseError("Could not retrieve data", sql);
        }
        ++row_count_;
        if (row_count_ == 1) {
            column_count_ = sqlite3_column_count(stmt);
            column_names_.reserve(column_count_);
            column_kinds_.reserve(column_count_);
            for (int c = 0; c < column_count_; ++c) {
                const char* name = sqlite3_column_name(stmt, c);
                column_names_.push_back(upper_case(name ? name : ""));
                column_kinds_.push_back(kind_of(stmt, c));
            }
            cells_.reserve(column_count_);
        }
        for (int c = 0; c < column_count_; ++c) {
            Cell& cell = cells_.emplace_back();
            if (sqlite3_column_type(stmt, c) == SQLITE_NULL) continue;
            switch (column_kinds_[c]) {
                case ColumnKind::Integer:
                    cell.holds = Cell::Holds::integer;
                    cell.integer = sqlite3_column_int64(stmt, c);
                    break;
                case ColumnKind::Numeric:
                    cell.holds = Cell::Holds::real;
                    cell.real = sqlite3_column_double(stmt, c);
                    break;
                case ColumnKind::Blob: {
                    const void* data = sqlite3_column_blob(stmt, c);
                    const int size = sqlite3_column_bytes(stmt, c);
                    if (size > 0 && data) keep_bytes(cell, static_cast<const char*>(data), static_cast<std::size_t>(size));
                    break;
                }
                case ColumnKind::Text:
                case ColumnKind::Null:
                default: {
                    // Up to the first zero byte, as a C string reads it.
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                    if (text == nullptr) text = "";
                    keep_bytes(cell, text, std::strlen(text));
                    break;
                }
            }
        }
        rc = sqlite3_step(stmt);
    }
    current_row_ = 0;
}

int SQLiteTable::FieldIndex(const std::string& name) const {
    if (column_names_.empty()) throw SQLiteException("Field " + name + " Not found. Empty dataset");
    const std::string wanted = upper_case(name);
    for (std::size_t i = 0; i < column_names_.size(); ++i) {
        if (column_names_[i] == wanted) return static_cast<int>(i);
    }
    throw SQLiteException("Field not found in dataset: " + name);
}

ColumnKind SQLiteTable::column_kind(int column) const {
    if (column < 0 || column >= column_count_) return ColumnKind::Null;
    return column_kinds_[column];
}

const SQLiteTable::Cell& SQLiteTable::cell(int column) const {
    if (AtEnd()) throw SQLiteException("Table is at End of File");
    // A wrong index is a programming error; refuse it rather than read outside the row.
    if (column < 0 || column >= column_count_)
        throw SQLiteException("Field index out of range: " + text::format_int(column));
    return cells_[static_cast<std::size_t>(current_row_) * column_count_ + column];
}

void SQLiteTable::keep_bytes(Cell& cell, const char* data, std::size_t size) {
    if (size > UINT32_MAX) throw SQLiteException("Too much data for one row of a table");
    cell.holds = Cell::Holds::bytes;
    cell.offset = bytes_.size();
    cell.length = static_cast<std::uint32_t>(size);
    bytes_.append(data, size);
}

std::int64_t SQLiteTable::AsInteger(int column) const {
    const Cell& value = cell(column);
    if (value.holds == Cell::Holds::nothing) return 0;
    switch (column_kinds_[column]) {
        case ColumnKind::Integer:
            return value.integer;
        case ColumnKind::Numeric: {
            const double d = value.real;
            // Truncation toward zero; a value beyond 64 bits has no integer to give.
            if (!(std::fabs(d) < 9223372036854775808.0))
                throw SQLiteException("Value out of integer range: " + text::format_general(d));
            return static_cast<std::int64_t>(d);
        }
        default:
            throw SQLiteException("Not an integer or numeric field");
    }
}

double SQLiteTable::AsFloat(int column) const {
    const Cell& value = cell(column);
    if (value.holds == Cell::Holds::nothing) return 0.0;
    switch (column_kinds_[column]) {
        case ColumnKind::Integer:
            return static_cast<double>(value.integer);
        case ColumnKind::Numeric:
            return value.real;
        default:
            throw SQLiteException("Not an integer or numeric field");
    }
}

std::string SQLiteTable::AsString(int column) const {
    const Cell& value = cell(column);
    const ColumnKind kind = column_kinds_[column];
    if (value.holds == Cell::Holds::nothing) {
        return (kind == ColumnKind::Integer || kind == ColumnKind::Numeric) ? std::string("0")
                                                                            : std::string();
    }
    switch (kind) {
        case ColumnKind::Integer:
            return text::format_int(value.integer);
        case ColumnKind::Numeric:
            return text::format_general(value.real);
        case ColumnKind::Text:
        case ColumnKind::Blob:
            return std::string(bytes(value));
        default:
            return std::string();  // a Null column reads as empty text
    }
}

std::string_view SQLiteTable::as_blob(int column) const {
    const Cell& value = cell(column);
    if (column_kinds_[column] != ColumnKind::Blob) throw SQLiteException("Not a Blob field");
    if (value.holds == Cell::Holds::bytes) return bytes(value);
    return {};
}

bool SQLiteTable::Next() {
    if (AtEnd()) return false;
    ++current_row_;
    return true;
}

bool SQLiteTable::Previous() {
    if (AtStart()) return false;
    --current_row_;
    return true;
}

bool SQLiteTable::MoveLast() {
    if (row_count_ == 0) return false;
    current_row_ = row_count_ - 1;
    return true;
}

}  // namespace ijken::data
