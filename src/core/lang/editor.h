#pragma once
// The language file editor: the active language's file as raw text, beside the main window. It
// loads the file each time its window becomes the active one and writes it back, then translates
// every window again, each time it stops being active, so that an edit shows in the other windows
// as soon as the user returns to them.
#include <functional>
#include <string>

#include "core/forms/form.h"
#include "core/forms/memo.h"
#include "core/lang/taal.h"
#include "core/text/ini_file.h"

namespace ijken::lang {

class Editor : public forms::Form {
  public:
    // taal is the program's translation component, whose active language chooses the file;
    // translate_all translates every window again. taal must outlive the editor.
    Editor(Taal& taal, std::function<void()> translate_all);

    // The file the editor works on for an active language number: "tln.tln", "tlf.tln",
    // "tld.tln", "tle.tln" for 1 to 4, empty for any other (the editor then neither loads nor
    // saves). Fixed here, whatever files the translation component is configured with.
    static std::string file_for(int active);

    // The window became active: Memo1 gets the file's text, line breaks made CR LF. A file saved
    // as UTF-8 is shown as the translation reads it, not as its raw bytes. A file that cannot be
    // read, or holds a character Memo1 cannot (Windows-1252 lacks it), throws "Cannot open file
    // ..." and Memo1 keeps its text, read-only. After a failed save Memo1 keeps the text that
    // could not be written.
    void FormActivate();
    // The window stopped being active: Memo1's text goes back to the file it was loaded from
    // in the encoding it was read in ("Cannot create file ..." when it cannot be written; nothing
    // is then translated), then
    // every window is translated again.
    void FormDeactivate();
    // Memo1 fills the client area less 5 pixels each way.
    void FormResize();

  private:
    Taal& taal_;
    std::function<void()> translate_all_;
    forms::Memo& memo_;
    // The file whose text Memo1 holds, empty while it holds none (before the first load, or after
    // a load that failed): only that file is ever written with it.
    std::string loaded_path_;
    // How that file was encoded: it is written back the same way, so that a UTF-8 file does not
    // become half UTF-8, half Windows-1252 with the first letter typed.
    text::TextEncoding encoding_ = text::TextEncoding::cp1252;
    // The last load error shown, so that the window becoming active again right after its error
    // box closed does not show the same box over and over.
    std::string reported_error_;
    // Memo1 holds an edit that could not be written: coming back to the editor keeps it instead of
    // loading the file over it.
    bool unsaved_ = false;
};

}  // namespace ijken::lang
