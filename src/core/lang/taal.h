#pragma once
// The translation component: knows up to five language files by number and which one is active,
// applies the active file to a window (TranslateForm) and adds a window's current texts to it
// (SaveFormTexts). A language file has one section per window; its keys are a control's name
// followed by ".caption" or ".hint", and the window's own caption is "<section>.caption".
//
// Translated are labels, labelled edits (their attached label), menu items, group boxes, radio
// groups (their caption, not their items) and buttons; every other kind of control is passed
// over, and so is a control without a name (menu items built at run time).
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/forms/form.h"

namespace ijken::lang {

class Taal {
  public:
    // No files configured, none active.
    Taal() = default;

    // The directory the language files live in, with its trailing separator (the program's).
    const std::string& directory() const { return directory_; }
    void set_directory(std::string dir) { directory_ = std::move(dir); }

    // File names of the languages 1 to 5; empty when not configured. Assigning file 1 also makes
    // it the file the operations use.
    const std::string& TaalFile1() const { return files_[0]; }
    const std::string& TaalFile2() const { return files_[1]; }
    const std::string& TaalFile3() const { return files_[2]; }
    const std::string& TaalFile4() const { return files_[3]; }
    const std::string& TaalFile5() const { return files_[4]; }
    void set_TaalFile1(std::string name);
    void set_TaalFile2(std::string name) { set_file(2, std::move(name)); }
    void set_TaalFile3(std::string name) { set_file(3, std::move(name)); }
    void set_TaalFile4(std::string name) { set_file(4, std::move(name)); }
    void set_TaalFile5(std::string name) { set_file(5, std::move(name)); }

    // The active language, 1 to 5; 0 for none.
    int ActiveTaalFile() const { return active_; }
    // Makes language n active. Nothing changes when n is already active, lies outside 1 to 5 or
    // names a file that is not configured: the previous language stays.
    void SetActiveTaalFile(int n);

    // The name of the file both operations use, and its full path.
    const std::string& current_file() const { return current_; }
    std::string current_path() const { return directory_ + current_; }

    // Applies the active file to the window: its caption from "<section>.caption", each
    // translatable control's caption and hint from its keys. A control whose caption is empty,
    // or whose caption key is missing, is left as it is; when the caption key is present, a hint
    // without a key is cleared. A key the file holds no value for takes the program's own text
    // for it in the active language, where it has one (builtin_texts.h: the additions the
    // delivered files predate). Nothing happens with no active language; a missing file changes
    // nothing.
    void TranslateForm(const std::string& section, forms::Form& form) const;
    // The same for several windows, reading the file once.
    void translate_forms(const std::vector<std::pair<std::string, forms::Form*>>& windows) const;

    // Adds to the active file the window's texts it lacks: the window's caption and each
    // translatable control's caption and hint, when at least two characters long and their key
    // has no value. Existing values are never changed. Nothing happens with no active language;
    // the file is written only when something was added. Throws text::FileWriteError.
    void SaveFormTexts(const std::string& section, const forms::Form& form) const;

  private:
    void set_file(int n, std::string name);

    std::array<std::string, 5> files_;
    int active_ = 0;
    std::string current_;
    std::string directory_;
};

// Whether the translation touches controls of this kind.
bool translatable(const forms::Control& control);

}  // namespace ijken::lang
