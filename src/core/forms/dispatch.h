#pragma once
// The event loop's one catch: every event the user causes runs through dispatch. An error that
// leaves the handler is shown in an error box and the program goes on with the state reached.
#include <functional>
#include <stdexcept>

namespace ijken::forms {

class Dialogs;

// A broken test script (a question nobody scripted an answer for, ...). dispatch lets it through:
// it means the test, not the program, went wrong.
class ScriptError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

// Runs handler. A std::exception leaving it is shown through dialogs.error(what()) (a
// text::EncodingError, whose message is UTF-8, through error_utf8); anything else thrown is shown
// as an unknown error. Returns whether the handler completed without error.
// ScriptError passes through.
bool dispatch(Dialogs& dialogs, const std::function<void()>& handler);

}  // namespace ijken::forms
