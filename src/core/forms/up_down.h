#pragma once
#include <string>

#include "core/forms/control.h"

namespace ijken::forms {

class Edit;

// A pair of arrow buttons that count the number in an associated edit up or down.
//
// The number is the associate's text read as a whole number (optional blanks and sign, digits). A
// plain decimal ("190.5", "200,5") steps by one whole unit and keeps its decimals and separator;
// any other text ("" or "abc" or "1e3") counts as 0. A value outside the range is brought into it. The result is written back through the edit's set_text, so the edit's
// on_change runs when the text changes.
class UpDown : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::up_down;

    UpDown(std::string name, Control* parent, Rect geometry, Edit* associate = nullptr, int minimum = 0,
           int maximum = 100);

    Edit* associate() const { return associate_; }
    void set_associate(Edit* edit) { assign(associate_, edit); }

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Throws std::invalid_argument when maximum < minimum.
    void set_range(int minimum, int maximum);

    // The associate's number brought into the range (minimum when there is no associate).
    int position() const;
    // Writes the number, brought into the range, into the associate.
    void set_position(int value);

    // One step up or down, staying within the range (at a bound the text is rewritten unchanged,
    // which is no change). Only when the control can be reached (visible and enabled with its
    // parents) and has an associate; returns false otherwise.
    bool up();
    bool down();

    // What a screen reader calls the arrows, after the field's name ("bakboord leeg 1 hoger").
    const std::string& up_name() const { return up_name_; }
    const std::string& down_name() const { return down_name_; }
    void set_arrow_names(std::string up, std::string down) {
        assign(up_name_, std::move(up));
        assign(down_name_, std::move(down));
    }

  private:
    bool step(int delta);

    Edit* associate_;
    int minimum_;
    int maximum_;
    std::string up_name_ = "hoger";
    std::string down_name_ = "lager";
};

}  // namespace ijken::forms
