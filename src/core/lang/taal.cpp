#include "core/lang/taal.h"

#include <filesystem>
#include <system_error>

#include "core/lang/builtin_texts.h"
#include "core/text/ini_file.h"

namespace ijken::lang {

namespace {

// language: the one whose built-in texts fill what the file lacks; 0 for none.
void translate(const text::IniFile& file, int language, const std::string& section, forms::Form& form) {
    auto value = [&](const std::string& key) {
        std::string v = file.value(section, key);
        return v.empty() && language != 0 ? builtin_text(language, section, key) : v;
    };
    const std::string caption = value(section + ".caption");
    if (!caption.empty()) form.set_caption(caption);
    for (forms::Control* control : form.controls()) {
        if (!translatable(*control)) continue;
        const std::string& name = control->name();
        std::string t = control->caption();
        std::string h = control->hint();
        if (!t.empty()) t = value(name + ".caption");
        if (!h.empty()) h = value(name + ".hint");
        if (t.empty()) continue;
        control->set_hint(std::move(h));
        control->set_caption(std::move(t));
    }
}

}  // namespace

bool translatable(const forms::Control& control) {
    if (control.name().empty()) return false;
    using K = forms::ControlKind;
    switch (control.kind()) {
        case K::label:
        case K::labeled_edit:
        case K::menu_item:
        case K::group_box:
        case K::radio_group:
        case K::button:
            return true;
        default:
            return false;
    }
}

void Taal::set_TaalFile1(std::string name) {
    if (name == files_[0]) return;
    files_[0] = name;
    current_ = std::move(name);
}

void Taal::set_file(int n, std::string name) {
    files_[static_cast<std::size_t>(n - 1)] = std::move(name);
}

void Taal::SetActiveTaalFile(int n) {
    if (n == active_ || n < 1 || n > 5) return;
    const std::string& file = files_[static_cast<std::size_t>(n - 1)];
    if (file.empty()) return;
    active_ = n;
    current_ = file;
}

void Taal::TranslateForm(const std::string& section, forms::Form& form) const {
    translate_forms({{section, &form}});
}

void Taal::translate_forms(const std::vector<std::pair<std::string, forms::Form*>>& windows) const {
    if (active_ == 0) return;
    const std::string path = current_path();
    const text::IniFile file = text::IniFile::read(path);
    // Without its file a language changes nothing, not even the texts the program holds itself:
    // the windows would otherwise show a mix of two languages.
    std::error_code ec;
    const int builtin = std::filesystem::exists(path, ec) ? active_ : 0;
    for (const auto& [section, form] : windows) translate(file, builtin, section, *form);
}

void Taal::SaveFormTexts(const std::string& section, const forms::Form& form) const {
    if (active_ == 0) return;
    const std::string path = current_path();
    text::IniFile file = text::IniFile::read_for_update(path);
    bool added = false;
    auto add_missing = [&](const std::string& key, const std::string& value) {
        if (value.size() < 2 || !file.value(section, key).empty()) return;
        file.set_value(section, key, value);
        added = true;
    };
    add_missing(section + ".caption", form.caption());
    for (const forms::Control* control : form.controls()) {
        if (!translatable(*control)) continue;
        // What follows a tab is shown beside a menu item by the program (a status), not its text.
        const std::string& caption = control->caption();
        add_missing(control->name() + ".caption", caption.substr(0, caption.find('\t')));
        add_missing(control->name() + ".hint", control->hint());
    }
    if (added) file.save(path);
}

}  // namespace ijken::lang
