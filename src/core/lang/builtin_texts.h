#pragma once
// Texts of what the program added to its windows (the Extra menu, the warnings, the table check's
// question, the survey list, the report window's "Printen..."), in Dutch, French and German. The
// delivered language files were made before these existed and stay as they are; without these
// texts a French interface would show every addition in Dutch. The translation uses them for a
// key the active language file holds no value for, so an entry in the file always wins.
#include <string>
#include <string_view>
#include <vector>

namespace ijken::lang {

struct BuiltinText {
    std::string_view section;  // as in the language files: "form1", "opnamelijst", ...
    std::string_view key;      // "<control>.caption" or "<control>.hint"
    std::string_view nl;       // Windows-1252; the text the control is built with
    std::string_view fr;
    std::string_view de;
};

// Every built-in text. A window that adds a control gives it a row here.
const std::vector<BuiltinText>& builtin_texts();

// The built-in text of key in section for a language number: 2 French, 3 German, any other
// Dutch (the language the windows are designed in). Sections and keys match without regard to
// case, as in the files. Empty when the table has no row for them.
std::string builtin_text(int language, std::string_view section, std::string_view key);

// The language code of a language number, for the toolkit's own texts: "nl", "fr", "de" for 1 to
// 3, empty for any other (a language the program knows no code of).
std::string language_code(int language);

}  // namespace ijken::lang
