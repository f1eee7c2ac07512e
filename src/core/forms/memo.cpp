#include "core/forms/memo.h"

#include <stdexcept>

namespace ijken::forms {

Memo::Memo(std::string name, Control* parent, Rect geometry, std::string text)
    : Control(static_kind, std::move(name), parent, geometry) {
    set_text(std::move(text));
}

std::string Memo::crlf_line_breaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

void Memo::set_text(std::string text) {
    if (text.size() > capacity) throw std::length_error("Text exceeds memo capacity");
    std::string held = crlf_line_breaks(text);
    if (held.size() > capacity) throw std::length_error("Text exceeds memo capacity");
    if (held == text_) return;
    text_ = std::move(held);
    notify();
    if (auto handler = on_change) handler();
}

}  // namespace ijken::forms
