#pragma once
// The one exception kind of the data layer. It carries nothing but its message: the message is what
// the user sees in the error box, so all the detail (code, statement, SQLite's text) is in it.
#include <stdexcept>

namespace ijken::data {

class SQLiteException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace ijken::data
