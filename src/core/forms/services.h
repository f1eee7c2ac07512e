#pragma once
// The platform's services as the forms use them: message boxes, showing a form modally, timers,
// the save-file dialog and opening a file with its application. The window layer implements them
// with the toolkit; the scripted fakes here let a test drive a form and check what it showed.
//
// Texts are Windows-1252 bytes; file paths are std::filesystem::path.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/forms/dispatch.h"

namespace ijken::forms {

class Form;
class Printing;
class Pictures;

// ---- message boxes ----------------------------------------------------------------------------

// The answer a question gives when the user presses Return without choosing (its default button).
enum class Answer { yes, no };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // An information box with an OK button; returns when it is closed.
    virtual void information(const std::string& text) = 0;
    // A question with Yes and No; true for Yes. Return presses the default button, Escape answers
    // No. A question whose Yes throws something away (a ship, a survey, a table) takes Answer::no,
    // so that a Return meant for another window loses nothing.
    virtual bool confirm(const std::string& text, Answer default_answer) = 0;
    bool confirm(const std::string& text) { return confirm(text, Answer::yes); }
    // An error box with an OK button.
    virtual void error(const std::string& text) = 0;
    // An error box whose text is UTF-8: only for a message that names a character Windows-1252
    // cannot hold (text::EncodingError), which the Windows-1252 error box would show garbled.
    virtual void error_utf8(const std::string& text) { error(text); }
    // A text (Windows-1252) as these boxes would show it, in the interface language: for the few
    // windows of the toolkit's own (an input box, a progress box) that show text of ours.
    virtual std::string in_language(const std::string& text) const { return text; }
};

// Records every box, in order, and answers questions from a queue the test fills. A question with
// no answer queued throws ScriptError.
class ScriptedDialogs : public Dialogs {
  public:
    enum class Kind { information, confirm, error };
    struct Shown {
        Kind kind;
        std::string text;
        // A question's default button; empty for the other boxes.
        std::optional<Answer> default_answer = std::nullopt;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    // Queues the answer to the next question (true: Yes).
    void answer(bool yes) { answers_.push_back(yes); }

    using Dialogs::confirm;
    void information(const std::string& text) override;
    bool confirm(const std::string& text, Answer default_answer) override;
    void error(const std::string& text) override;
    // Recorded as an error, its text left in UTF-8.
    void error_utf8(const std::string& text) override { error(text); }

    const std::vector<Shown>& shown() const { return shown_; }
    // The texts of the boxes of one kind, in order.
    std::vector<std::string> texts(Kind kind) const;
    // Answers queued but not yet asked for.
    std::size_t unused_answers() const { return answers_.size(); }
    void clear() { shown_.clear(); }

  private:
    std::vector<Shown> shown_;
    std::deque<bool> answers_;
};

// ---- modal display ----------------------------------------------------------------------------

// Shows a form modally without blocking: when_closed runs when the form closes, so the caller
// continues there. While it is open the other windows take no input.
class ModalDisplay {
  public:
    virtual ~ModalDisplay() = default;
    virtual void show_modal(Form& form, std::function<void()> when_closed) = 0;
};

// Shows the form (Form::show_modal) and remembers it; the test works the form and closes it with
// Form::close, which runs the continuation.
class ScriptedModalDisplay : public ModalDisplay {
  public:
    void show_modal(Form& form, std::function<void()> when_closed) override;
    // Every form shown, in order.
    const std::vector<Form*>& shown() const { return shown_; }

  private:
    std::vector<Form*> shown_;
};

// ---- timers -----------------------------------------------------------------------------------

// A repeating timer. on_tick runs every interval while it is active; the window layer runs the
// ticks through dispatch. Stopping or destroying a timer from its own tick is safe: no further
// tick arrives.
class Timer {
  public:
    virtual ~Timer() = default;
    // (Re)starts with that interval in milliseconds; an interval of 0 or less stops the timer.
    virtual void start(int interval_ms) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;

    std::function<void()> on_tick;
};

class Timers {
  public:
    virtual ~Timers() = default;
    virtual std::unique_ptr<Timer> create() = 0;
};

// Timers on a clock that only the test moves: advance() delivers every tick that falls due, in
// order of time (timers due at the same moment in order of creation).
class ManualTimers : public Timers {
  public:
    ManualTimers();
    ~ManualTimers() override;
    std::unique_ptr<Timer> create() override;

    // Moves the clock forward, running the ticks due on the way.
    void advance(std::int64_t ms);
    std::int64_t now() const;
    // Timers currently running.
    int active_count() const;

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// ---- files ------------------------------------------------------------------------------------

struct SaveFileRequest {
    std::string title;           // Windows-1252
    std::string default_name;    // proposed file name, Windows-1252
    std::string filter;          // e.g. "PDF files (*.pdf)|*.pdf", Windows-1252
    std::string default_suffix;  // e.g. "pdf", added when the user typed none
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The path the user chose, or nullopt when cancelled.
    virtual std::optional<std::filesystem::path> save_file(const SaveFileRequest& request) = 0;
};

// Answers save-file dialogs from a queue (nullopt: the user cancels); records the requests.
// A dialog with nothing queued throws ScriptError.
class ScriptedFileDialogs : public FileDialogs {
  public:
    void answer(std::optional<std::filesystem::path> path) { answers_.push_back(std::move(path)); }
    std::optional<std::filesystem::path> save_file(const SaveFileRequest& request) override;
    const std::vector<SaveFileRequest>& requests() const { return requests_; }

  private:
    std::deque<std::optional<std::filesystem::path>> answers_;
    std::vector<SaveFileRequest> requests_;
};

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens the file with the application the system associates with it; throws when it cannot.
    virtual void open_with_application(const std::filesystem::path& file) = 0;
};

class RecordingShell : public Shell {
  public:
    void open_with_application(const std::filesystem::path& file) override { opened_.push_back(file); }
    const std::vector<std::filesystem::path>& opened() const { return opened_; }

  private:
    std::vector<std::filesystem::path> opened_;
};

// ---- the event loop ---------------------------------------------------------------------------

class EventLoop {
  public:
    virtual ~EventLoop() = default;
    // Ends the program once the current event has been handled.
    virtual void quit() = 0;
};

class RecordingEventLoop : public EventLoop {
  public:
    void quit() override { ++quit_requests_; }
    int quit_requests() const { return quit_requests_; }

  private:
    int quit_requests_ = 0;
};

// ---- text measure ----------------------------------------------------------------------------

// How wide a line of text comes out on screen, for the few windows that lay text out themselves
// (a column of labels aligned on its widest line).
class TextMeasure {
  public:
    virtual ~TextMeasure() = default;
    // Width in pixels of text (Windows-1252) in the default font of that height (as designed,
    // negative: character height; 0 the default), bold or not.
    virtual int text_width(const std::string& text, int font_height, bool bold) = 0;
};

// Every character char_width pixels wide: predictable widths for tests, and a fair guess where no
// window measures (a headless run).
class FixedWidthMeasure : public TextMeasure {
  public:
    explicit FixedWidthMeasure(int char_width = 6) : char_width_(char_width) {}
    int text_width(const std::string& text, int, bool) override {
        return static_cast<int>(text.size()) * char_width_;
    }

  private:
    int char_width_;
};

// ---- the interface language -------------------------------------------------------------------

// Told the interface language each time the windows are translated, so that the toolkit's own
// texts (the buttons of a question, the save-file dialog) follow it.
class InterfaceLanguage {
  public:
    virtual ~InterfaceLanguage() = default;
    // "nl", "fr", "de"; empty for a language the program knows no code of.
    virtual void set_language(const std::string& code) = 0;
};

// ---- all of them ------------------------------------------------------------------------------

// The services a window may use, in one bundle handed from the main window to the others. A
// pointer left null is a service this run does not offer (a headless command, a test that does
// not need it); a window checks before it uses one that is optional to it.
struct Services {
    Dialogs* dialogs = nullptr;
    ModalDisplay* modal = nullptr;
    FileDialogs* files = nullptr;
    Shell* shell = nullptr;
    Timers* timers = nullptr;
    Printing* printing = nullptr;
    Pictures* pictures = nullptr;
    TextMeasure* measure = nullptr;
    InterfaceLanguage* language = nullptr;
};

}  // namespace ijken::forms
