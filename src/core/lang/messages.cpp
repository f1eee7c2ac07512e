#include "core/lang/messages.h"

#include <array>
#include <optional>

#include "core/forms/label.h"
#include "core/lang/builtin_texts.h"
#include "core/text/cp1252.h"

namespace ijken::lang {

namespace {

constexpr std::string_view kCaption = ".caption";
// Parts of messages (a field's name, a count with its noun): translated where they stand as a value
// of another message.
constexpr std::string_view kPartPrefix = "deel_";

using Values = std::array<std::string, 9>;

bool is_placeholder(std::string_view t, std::size_t i) {
    return t[i] == '%' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '9';
}

// Whether text from `at` on fits the template from `from` on, each %n taking the shortest text
// that lets the rest fit.
bool fits(std::string_view pattern, std::size_t from, std::string_view text, std::size_t at, Values& values) {
    while (from < pattern.size() && !is_placeholder(pattern, from)) {
        if (at >= text.size() || text[at] != pattern[from]) return false;
        ++from;
        ++at;
    }
    if (from == pattern.size()) return at == text.size();
    const auto n = static_cast<std::size_t>(pattern[from + 1] - '1');
    for (std::size_t end = at; end <= text.size(); ++end) {
        values[n] = std::string(text.substr(at, end - at));
        if (fits(pattern, from + 2, text, end, values)) return true;
    }
    return false;
}

std::string fill(std::string_view pattern, const Values& values) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (is_placeholder(pattern, i)) {
            out += values[static_cast<std::size_t>(pattern[i + 1] - '1')];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace

MessageForm::MessageForm() : forms::Form("berichten", "Berichten", forms::Rect{0, 0, 0, 0}) {
    for (const BuiltinText& t : builtin_texts()) {
        if (t.section != kSection || !t.key.ends_with(kCaption)) continue;
        const std::string name(t.key.substr(0, t.key.size() - kCaption.size()));
        add<forms::Label>(name, nullptr, forms::Rect{0, 0, 0, 0}, std::string(t.nl)).set_visible(false);
    }
}

std::string MessageForm::translate(const std::string& message) const {
    return translate(message, false);
}

std::string MessageForm::translate_utf8(const std::string& message) const {
    return translate(message, true);
}

std::string MessageForm::translate(const std::string& message, bool utf8) const {
    // Each label with its Dutch template; the labels whose text is Dutch now change nothing.
    struct Template {
        std::string dutch;
        std::string shown;
        bool part;
    };
    std::vector<Template> templates;
    for (const BuiltinText& t : builtin_texts()) {
        if (t.section != kSection || !t.key.ends_with(kCaption)) continue;
        const std::string_view name = t.key.substr(0, t.key.size() - kCaption.size());
        const auto* label = dynamic_cast<const forms::Label*>(find(name));
        if (label == nullptr || label->caption() == t.nl) continue;
        const std::string dutch(t.nl);
        if (utf8) templates.push_back({text::cp1252_to_utf8(dutch), text::cp1252_to_utf8(label->caption()),
                                       name.starts_with(kPartPrefix)});
        else templates.push_back({dutch, label->caption(), name.starts_with(kPartPrefix)});
    }
    if (templates.empty()) return message;

    auto line_in_language = [&templates](std::string_view line, bool parts_only) -> std::optional<std::string> {
        for (const Template& t : templates) {
            if (parts_only && !t.part) continue;
            Values values;
            if (fits(t.dutch, 0, line, 0, values)) return fill(t.shown, values);
        }
        return std::nullopt;
    };
    std::string out;
    std::size_t start = 0;
    while (start <= message.size()) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        const std::string_view line(message.data() + start, end - start);
        bool done = false;
        for (const Template& t : templates) {
            Values values;
            if (!fits(t.dutch, 0, line, 0, values)) continue;
            // A value in quotes is what the user typed (a name, a reading): it stays as typed.
            for (std::size_t n = 0; n < values.size(); ++n) {
                const std::string quoted = "\"%" + std::to_string(n + 1) + "\"";
                if (t.dutch.find(quoted) != std::string_view::npos) continue;
                if (auto part = line_in_language(values[n], true)) values[n] = *part;
            }
            out += fill(t.shown, values);
            done = true;
            break;
        }
        if (!done) out += line;
        if (end == message.size()) break;
        out += '\n';
        start = end + 1;
    }
    return out;
}

void TranslatedDialogs::error_utf8(const std::string& text) {
    // The message may name a character Windows-1252 lacks: it is matched as UTF-8.
    inner_.error_utf8(messages_.translate_utf8(text));
}

}  // namespace ijken::lang
