#pragma once
// The main window: the selected ship, the twenty readings of one survey with the two sliders, the
// survey's parties and cargo, the result grid, the survey navigation buttons and the menu. It is a
// view of the session it holds: what the user types goes to the session, and what the session
// tells it changed is shown.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/data/own_files.h"
#include "core/data/sqlite_database.h"
#include "core/data/sqlite_table.h"
#include "core/forms/forms.h"
#include "core/lang/messages.h"
#include "core/lang/taal.h"
#include "core/session/session.h"
#include "core/survey/computation.h"
#include "core/survey/opening_read.h"
#include "core/survey/survey_value.h"
#include "core/survey/warnings.h"

namespace ijken::survey {

class Form1 : public forms::Form {
  public:
    // program_dir: the directory of the program file, with its trailing separator; the database
    // lives there as "ijken.db". Message boxes go through dialogs, which must outlive the form,
    // with their texts in the interface language (dialogs()).
    Form1(std::string program_dir, forms::Dialogs& dialogs);
    ~Form1() override;

    static constexpr int kNoSurvey = session::Session::kNoSurvey;

    // The session the window shows; the program's other windows work on it too.
    session::Session& session() { return *session_; }
    const session::Session& session() const { return *session_; }

    // What the program started reading from the database ahead (read_opening_ahead); formcreate
    // takes it instead of reading once more.
    void read_ahead(std::future<OpeningRead> read) { read_ahead_ = std::move(read); }

    // Ends the program ("Einde", Ctrl+Q). The window layer sets it to leave its event loop.
    void set_quit(std::function<void()> quit) { on_quit_ = std::move(quit); }

    // The platform's services; dialogs is the constructor's, its texts put in the interface
    // language. The window layer (or a test) fills in the others before the other windows are
    // created.
    forms::Services services;
    // The dialogs every window's boxes go through: the constructor's, in the interface language.
    forms::Dialogs& dialogs() { return dialogs_; }
    // The messages' templates in the interface language (translated with the windows).
    lang::MessageForm& messages() { return *messages_; }

    // ---- the program's other windows ----

    // One of the program's other windows, with the section of the language files that translates
    // it ("ijkeninvoer", "schipinvoer", "print"; empty for a window the files do not translate).
    struct OtherWindow {
        std::unique_ptr<forms::Form> form;
        std::string section;
    };

    // Appends a window to the list. The program creates the other windows in start-up order
    // (program/program_windows.cpp), none shown, once, after formcreate.
    forms::Form& add_window(std::unique_ptr<forms::Form> form, std::string section);
    // The other windows in start-up order. Translation and the window layer walk this list.
    const std::vector<OtherWindow>& windows() const { return windows_; }
    // The window of that class, null when the program has none.
    template <class T>
    T* window() const {
        for (const auto& w : windows_) {
            if (auto* t = dynamic_cast<T*>(w.form.get())) return t;
        }
        return nullptr;
    }
    // Hides the main window and shows form modally; when it closes the main window is shown again
    // (formshow runs), then `then`.
    void open_modal(forms::Form& form, std::function<void()> then = {});

    // ---- handlers ----

    // Start-up: caption cells, database path, the database when missing, the selected ship with its
    // newest survey. An error ends it where it occurs (the caller shows it); the window can still be
    // shown with the state reached.
    void formcreate();
    // Each time the window becomes visible: the newest survey of the list is shown again.
    void formshow();

    // A typed reading: the session recomputes it and the result cells show it. When the
    // computation fails the cells are emptied and the error goes on to the caller.
    void ijk_bb_l_1change();
    // Hides all reading panels, sets every reading to "0", shows the panels of the points in use.
    void zet_ijkpunten();
    void TrackbarLeegChange();
    void TrackBarVolChange();

    // Loads the ship marked Selected=1: its particulars, gauge points, sliders and surveys.
    void laad_schip();
    // Shows the selected ship's newest survey, read again.
    void laad_opnames();
    void sltb_prevclick();
    void sltb_nextclick();
    void sltb_addclick();
    void sltb_saveclick();
    void sltb_delclick();
    void verlader_naamchange();
    void Einde1Click();

    // ---- the ships menus (form1_ships.cpp) ----

    // Rebuilds "Schip selecteren" and "Verwijderen" from the database; SchipID becomes the
    // selected ship.
    void bouw_schepenmenu();
    // A click on a ship of "Schip selecteren": that ship becomes the selected one and is loaded.
    void maakschepenmenuclick(forms::MenuItem& item);
    // A click on a ship of "Verwijderen": the ship goes, with its surveys and gauge table, after a
    // question.
    void deleteschipclick(forms::MenuItem& item);

    // ---- the interface languages (form1_language.cpp) ----

    // Translates this window and every other one into the active language, relabels TaalKeuze
    // and stores the active language on the selected ship.
    void Vertaal();
    // Translates the other windows only, into the active language: for windows created after the
    // main window was last translated.
    void translate_other_windows();
    void NL1Click();
    void FR1Click();
    void DE1Click();
    void Maaktaalfile1Click();

    // What the menu items that open the other windows do. The program fills them in when it creates the windows; each handler below does
    // nothing while its action is empty.
    struct WindowActions {
        std::function<void()> invoeren1click, invoer1click, Wijzigen2Click, scheepsgegevensclick,
            afdrukken1click, cTarvik1Click, taaleditor1Click, Opnamelijst1Click;
    };
    void set_window_actions(WindowActions actions) { window_actions_ = std::move(actions); }
    // The ships menus rebuilt and the selected ship loaded again (after the ship window closed).
    void reload_ships();

    // Menu items that open the other windows.
    void invoeren1click();
    void invoer1click();
    void Wijzigen2Click();
    void scheepsgegevensclick();
    void afdrukken1click();
    void cTarvik1Click();
    void taaleditor1Click();

    // ---- the Extra menu: warnings, export, backup, survey list (form1_<what>.cpp) ----

    // The warning templates as the hidden labels wt_... hold them (the language files reword them).
    WarningTexts warning_texts() const;
    // Shows the session's warnings in LabelWaarschuwing (one line per state; every warning in its hint).
    void show_warnings();
    // Extra > export the ship's surveys as CSV / make a backup copy of the database, each to a
    // file chosen in the save-file dialog.
    void Exporteren1Click();
    void Backup1Click();
    // Extra > send to the fleet office / set its connection: what they do is filled in by the
    // program (the office speaks to a server the core knows nothing of); empty, they do nothing.
    void set_office_actions(std::function<void()> push, std::function<void()> connection) {
        office_push_ = std::move(push);
        office_connection_ = std::move(connection);
    }
    // The database and the language files: a file the user names to write is never one of them.
    std::vector<data::OwnFile> own_files() const;
    // Extra > the survey list, beside the main window.
    void Opnamelijst1Click();

    // ---- convenience for the other windows and the tests ----

    // The twenty reading fields, in the order port empty 1-5, starboard empty 1-5, port loaded 1-5,
    // starboard loaded 1-5 (the order of the survey's columns).
    const std::array<forms::Edit*, 20>& reading_fields() const { return readings_; }
    forms::Edit& reading(char side, char state, int point) const;

    // Column names of IJkOpnames for the twenty readings, in reading_fields() order ("BBL_1", ...).
    static const std::array<std::string, 20>& reading_columns();

  private:
    void build_layout();
    void build_menu();
    void wire_events();
    // The session takes every field as it stands (once, when the window is built; the handlers keep
    // it current from then on).
    void take_fields();
    // The Extra menu, and the warnings strip (build_warning_strip) with its templates.
    void build_extras();
    void build_warning_strip();
    // What the session tells: each change shown where the window shows it.
    void heard(session::Change change);
    // The survey shown: its fields filled from the session (without sending them back), the
    // buttons set. A survey whose computation fails (a stored reading too large to compute with, a
    // table that cannot be read) is still shown whole: the result cells stay empty and the failure
    // is reported once, not again while the same survey keeps failing the same way (the window
    // shown again at start and after every other window, say).
    void show_survey();
    // The selected ship's name, sliders and gauge points.
    void show_ship();
    // The reading panels all hidden; those of the gauge points in use shown, the pictures redrawn.
    void hide_reading_panels();
    void show_reading_panels(int aantal_ijken);
    // The sliders at the ship's maximum immersion, without writing into the readings.
    void reset_sliders();
    // The results and the warnings of the session's last computation.
    void show_results();
    // A field's text to the session, unless the window itself is filling the field.
    void send(const std::function<void()>& to_session);
    void translate_windows();
    // The names screen readers say for the controls the design names by no caption, in the
    // interface language.
    void name_for_screen_readers();

    void set_result_cells(const ResultCells& cells);
    // The text of a hidden message label in the active language, %1, %2 ... filled with values.
    std::string message_text(const char* label, const std::vector<std::string>& values = {}) const;
    // Configures the interface languages whose files are there beyond the two held in the program.
    void configure_languages();
    void set_slider_readings(const forms::Slider& slider, char state);
    void set_survey_buttons(bool prev, bool next, bool del, bool save, bool add);

    std::string program_dir_;
    std::unique_ptr<lang::MessageForm> messages_;
    std::unique_ptr<lang::TranslatedDialogs> translated_;
    forms::Dialogs& dialogs_;
    std::unique_ptr<session::Session> session_;
    std::future<OpeningRead> read_ahead_;
    // While the window fills its fields from the session, their handlers send nothing back. A
    // Filling marks that for its scope.
    bool filling_ = false;
    struct Filling {
        explicit Filling(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) {}
        ~Filling() { flag_ = was_; }
        Filling(const Filling&) = delete;
        Filling& operator=(const Filling&) = delete;
        bool& flag_;
        bool was_;
    };
    // While formcreate runs: the window is translated when it is first shown.
    bool creating_ = false;
    // The survey and failure last reported; empty after a survey computed well.
    std::string reported_survey_failure_;

    std::array<forms::Edit*, 20> readings_{};
    std::array<forms::Panel*, 20> panels_{};
    std::vector<OtherWindow> windows_;
    WindowActions window_actions_;
    std::function<void()> office_push_, office_connection_;
    std::function<void()> on_quit_;
};

}  // namespace ijken::survey
