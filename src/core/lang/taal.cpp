#include "core/lang/taal.h"

#include "core/text/ini_file.h"

namespace ijken::lang {

namespace {

void translate(const text::IniFile& file, const std::string& section, forms::Form& form) {
    const std::string caption = file.value(section, section + ".caption");
    if (!caption.empty()) form.set_caption(caption);
    for (forms::Control* control : form.controls()) {
        if (!translatable(*control)) continue;
        const std::string& name = control->name();
        std::string t = control->caption();
        std::string h = control->hint();
        if (!t.empty()) t = file.value(section, name + ".caption");
        if (!h.empty()) h = file.value(section, name + ".hint");
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
    TranslateForms({{section, &form}});
}

void Taal::TranslateForms(const std::vector<std::pair<std::string, forms::Form*>>& windows) const {
    if (active_ == 0) return;
    const text::IniFile file = text::IniFile::read(current_path());
    for (const auto& [section, form] : windows) translate(file, section, *form);
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
        add_missing(control->name() + ".caption", control->caption());
        add_missing(control->name() + ".hint", control->hint());
    }
    if (added) file.save(path);
}

}  // namespace ijken::lang
