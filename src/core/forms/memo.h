#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/forms/control.h"

namespace ijken::forms {

// A multi-line text field. Its text holds its lines separated by CR LF: any line break put in
// (CR LF, a lone LF or a lone CR) is held as CR LF, and a text ending with a line break keeps it.
class Memo : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::memo;

    // The longest text a memo holds, in bytes.
    static constexpr std::size_t capacity = 16 * 1024 * 1024;

    enum class ScrollBars { none, vertical, horizontal, both };

    Memo(std::string name, Control* parent, Rect geometry, std::string text = {});

    const std::string& text() const { return text_; }
    // Stores the text with its line breaks made CR LF. Only when it differs from the text held:
    // observers are told, then on_change runs. A text longer than capacity throws
    // std::length_error "Text exceeds memo capacity" and the memo keeps its text.
    void set_text(std::string text);

    bool read_only() const { return read_only_; }
    void set_read_only(bool value) { assign(read_only_, value); }

    ScrollBars scroll_bars() const { return scroll_bars_; }
    void set_scroll_bars(ScrollBars value) { assign(scroll_bars_, value); }

    // Long lines wrap at the right edge (without a line break in the text).
    bool word_wrap() const { return word_wrap_; }
    void set_word_wrap(bool value) { assign(word_wrap_, value); }

    // Runs after every real change of the text, after the observers.
    std::function<void()> on_change;

    // text with every line break (CR LF, LF, lone CR) made CR LF.
    static std::string crlf_line_breaks(std::string_view text);

  private:
    std::string text_;
    bool read_only_ = false;
    ScrollBars scroll_bars_ = ScrollBars::none;
    bool word_wrap_ = true;
};

}  // namespace ijken::forms
