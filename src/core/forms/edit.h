#pragma once
#include <functional>

#include "core/forms/control.h"

namespace ijken::forms {

// A one-line text field. Its text (not its caption) is what the user types.
class Edit : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::edit;

    Edit(std::string name, Control* parent, Rect geometry, std::string text = {});

    const std::string& text() const { return text_; }
    // Stores the text (as the kind of edit holds it, see MaskEdit). Only when it differs from the
    // text held: observers are told, then on_change runs. The same path serves the program and the
    // user's typing.
    void set_text(std::string text);

    // The most characters the user can type; 0 for no limit. The program's own set_text is not
    // limited.
    int max_length() const { return max_length_; }
    void set_max_length(int length);

    bool read_only() const { return read_only_; }
    void set_read_only(bool value) { assign(read_only_, value); }

    // Runs after every real change of the text, after the observers.
    std::function<void()> on_change;

  protected:
    Edit(ControlKind kind, std::string name, Control* parent, Rect geometry);

    // The text as this kind of edit holds it; a plain edit keeps it as given.
    virtual std::string normalise(std::string text) const { return text; }

    // For constructors of derived kinds: sets the initial text without notifying.
    void init_text(std::string text) { text_ = normalise(std::move(text)); }

  private:
    std::string text_;
    int max_length_ = 0;
    bool read_only_ = false;
};

}  // namespace ijken::forms
