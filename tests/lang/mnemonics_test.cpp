// The keys a skipper presses with Alt: in Dutch, French and German, no two items of one menu (or
// of a window with its menu bar) share a letter, and every menu item and button the program added
// to the design has one.
#include <gtest/gtest.h>

#include <map>

#include "core/forms/forms.h"
#include "core/lang/builtin_texts.h"
#include "core/main_window/form1.h"
#include "core/program/program_windows.h"
#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

// The letter "&" marks in a caption, in lower case; 0 for none ("&&" is an ampersand).
char mnemonic(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(caption[i + 1]);
        // ASCII and the accented capitals of Windows-1252 (0xC0-0xDE) to lower case.
        return static_cast<char>((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 32 : c);
    }
    return 0;
}

// Every caption among siblings that shares its letter with one before it: "a&b" twice gives one.
std::vector<std::string> clashes(const std::vector<const forms::Control*>& siblings) {
    std::map<char, std::string> taken;
    std::vector<std::string> found;
    for (const forms::Control* c : siblings) {
        const char m = mnemonic(c->caption());
        if (m == 0) continue;
        const auto [at, fresh] = taken.emplace(m, c->caption());
        if (!fresh) found.push_back("\"" + at->second + "\" and \"" + c->caption() + "\"");
    }
    return found;
}

bool is_menu_item(const forms::Control& c) {
    return c.kind() == forms::ControlKind::menu_item;
}

// The scopes in which Alt and a letter must find one item: a window's visible controls with its
// menu bar's visible items, and each menu's visible items.
std::vector<std::string> clashes_in(const forms::Form& window) {
    std::vector<const forms::Control*> window_scope;
    for (const forms::Control* c : window.controls())
        if (!is_menu_item(*c) && c->visible() && c->caption().size() > 1) window_scope.push_back(c);
    for (const forms::Control* item : window.menu().items())
        if (item->visible()) window_scope.push_back(item);
    std::vector<std::string> found = clashes(window_scope);
    for (const forms::Control* c : window.controls()) {
        if (!is_menu_item(*c)) continue;
        std::vector<const forms::Control*> menu;
        for (const forms::MenuItem* item : static_cast<const forms::MenuItem*>(c)->items())
            if (item->visible()) menu.push_back(item);
        for (std::string& clash : clashes(menu)) found.push_back(c->name() + ": " + clash);
    }
    return found;
}

TEST(Mnemonics, NoTwoSiblingsShareALetterAndEveryItemOfOursHasOne) {
    ijken::testing::TempDir dir;
    write_file(dir.path() / "tld.tln", read_file(IJKEN_GERMAN_FILE));
    forms::ScriptedDialogs dialogs;
    survey::Form1 form(dir.dir(), dialogs);
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form.formcreate(); }));
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { program::create_windows(form); }));
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form.show(); }));
    // The items that only the program builds, as the user meets them.
    for (const char* item : {"Kantoor1", "KantoorVerbinding1"}) form.get<forms::MenuItem>(item).set_visible(true);

    std::vector<std::pair<std::string, const forms::Form*>> windows{{"form1", &form}};
    for (const auto& w : form.windows()) windows.emplace_back(w.section, w.form.get());
    for (int language : {1, 2, 3}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form.session().switch_language(language); }));
        ASSERT_EQ(form.session().taal().ActiveTaalFile(), language);
        for (const auto& [section, window] : windows) {
            for (const std::string& clash : clashes_in(*window)) ADD_FAILURE() << window->name() << ": " << clash;
            if (section.empty()) continue;
            for (const BuiltinText& t : builtin_texts()) {
                if (t.section != section || !t.key.ends_with(".caption")) continue;
                const forms::Control* c = window->find(t.key.substr(0, t.key.size() - 8));
                if (c == nullptr || !(is_menu_item(*c) || c->kind() == forms::ControlKind::button)) continue;
                EXPECT_NE(mnemonic(c->caption()), 0) << section << " " << t.key << " \"" << c->caption() << "\"";
            }
        }
    }
}

}  // namespace
}  // namespace ijken::lang::test
