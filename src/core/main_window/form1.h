#pragma once
// The main window: the selected ship, the twenty readings of one survey with the two sliders, the
// survey's parties and cargo, the result grid, the survey navigation buttons and the menu. It also
// holds the state the other windows read: the database path, the current survey list, and the
// survey shown as one value (the selected ship's parameters, the fields, the two computed results),
// which its handlers keep current.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/data/own_files.h"
#include "core/data/sqlite_database.h"
#include "core/data/sqlite_table.h"
#include "core/forms/forms.h"
#include "core/lang/taal.h"
#include "core/survey/computation.h"
#include "core/survey/opening_read.h"
#include "core/survey/survey_value.h"
#include "core/survey/warnings.h"

namespace ijken::survey {

class Form1 : public forms::Form, public SurveyValue, public SurveySource {
  public:
    // program_dir: the directory of the program file, with its trailing separator; the database
    // lives there as "ijken.db". Message boxes go through dialogs, which must outlive the form.
    Form1(std::string program_dir, forms::Dialogs& dialogs);
    ~Form1() override;

    // ---- state read (and partly written) by the other windows ----

    std::string db_pad;
    // The selected ship's surveys in order of entry; the current row is the survey shown.
    std::unique_ptr<data::SQLiteTable> opnamelijst;
    // Opnameid of the survey shown; geen_opname when the ship has none.
    int huidige_opname = geen_opname;
    // The interface languages: "tln.tln" (1, Dutch) and "tlf.tln" (2, French) beside the program,
    // Dutch active until a ship says otherwise.
    lang::Taal taal;

    static constexpr int geen_opname = -199;

    // What formcreate would read from the database, when the program started reading it ahead
    // (read_opening_ahead); formcreate takes it instead of reading once more.
    std::future<OpeningRead> read_ahead;

    // Ends the program ("Einde", Ctrl+Q). The window layer sets it to leave its event loop.
    std::function<void()> on_quit;

    // The platform's services; dialogs is the one given to the constructor. The window layer (or a
    // test) fills in the others before the other windows are created.
    forms::Services services;

    // ---- the survey shown, as a value ----

    const SurveyValue& survey() const override { return *this; }
    const std::string& database() const override { return db_pad; }
    // Chooses the print language on TaalKeuze, which keeps the value current.
    void set_print_language(int index) override;
    const forms::Services& window_services() const override { return services; }

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

    // Recomputes both states from the fields and fills the result cells. When the computation
    // fails the cells keep their texts and the error goes on to the caller.
    void ijk_bb_l_1change();
    // After another window may have changed the selected ship's table, range or gauge points: the
    // sliders take the ship's maximum immersion again and the survey shown is recomputed with what
    // is stored now, as a typed reading would be. The readings and the survey's record stay.
    void herbereken_getoond();
    // Asks for herbereken_getoond the next time the window is shown (a window that changes the
    // gauge table says so before it shows the main window again).
    void herbereken_bij_tonen() { herbereken_bij_tonen_ = true; }
    // Hides all reading panels, sets every reading to "0", shows the panels of the points in use.
    void zet_ijkpunten();
    void TrackbarLeegChange();
    void TrackBarVolChange();

    // Loads the ship marked Selected=1: its particulars, gauge points, sliders and surveys.
    void laad_schip();

    void laad_opnames();
    // Fills the fields from the current row of opnamelijst. A survey whose computation fails (a
    // stored reading too large to compute with, a table that cannot be read) is still shown whole:
    // the result cells stay empty and the failure is reported once, not again while the same
    // survey keeps failing the same way (the window shown again at start and after every other
    // window, say).
    void toon_opname();
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

    // What the menu items that open the other windows do, and what the gauge table window hears of
    // a deleted ship. The program fills them in when it creates the windows; each handler below does
    // nothing while its action is empty.
    struct WindowActions {
        std::function<void()> invoeren1click, invoer1click, Wijzigen2Click, scheepsgegevensclick,
            afdrukken1click, cTarvik1Click, taaleditor1Click, Opnamelijst1Click;
        std::function<void(int)> schip_verwijderd;
    };
    WindowActions window_actions;
    // The ships menus rebuilt and the selected ship loaded again (after the ship window closed).
    void herlaad_schepen();

    // Menu items that open the other windows.
    void invoeren1click();
    void invoer1click();
    void Wijzigen2Click();
    void scheepsgegevensclick();
    void afdrukken1click();
    void cTarvik1Click();
    void taaleditor1Click();

    // ---- the Extra menu: warnings, export, backup, survey list (form1_<what>.cpp) ----

    // What the last recomputation found doubtful; shown beside the result grid.
    std::vector<Warning> warnings;
    // The warning templates as the hidden labels wt_... hold them (the language files reword them).
    WarningTexts warning_texts() const;
    // Shows `warnings` in LabelWaarschuwing (one line per state; every warning in its hint).
    void toon_waarschuwingen();
    // Extra > export the ship's surveys as CSV / make a backup copy of the database, each to a
    // file chosen in the save-file dialog.
    void Exporteren1Click();
    void Backup1Click();
    // Extra > send to the fleet office / set its connection: what they do is filled in by the
    // program (the office speaks to a server the core knows nothing of); empty, they do nothing.
    std::function<void()> office_push, office_connection;
    // The database and the language files: a file the user names to write is never one of them.
    std::vector<data::OwnFile> own_files() const override;
    // Extra > the survey list, beside the main window.
    void Opnamelijst1Click();
    // Shows the survey with that Opnameid (of the selected ship) from a fresh read of the ship's
    // surveys, so that browsing on from it goes through the surveys as stored now; false (and
    // nothing shown) when the ship has no such survey. Unsaved edits are lost, as when browsing.
    bool ga_naar_opname(int opnameid);

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
    // The value takes every field as it stands (once, when the window is built; the handlers keep
    // it current from then on).
    void take_fields();
    // The Extra menu, and the warnings strip (build_warning_strip) with its templates.
    void build_extras();
    void build_warning_strip();
    // Reads the selected ship's surveys into opnamelijst (laad_opnames without showing one).
    void lees_opnames();
    // The read ahead, when there is one and it succeeded; formcreate's reads take their part of
    // it (each once) while it is set.
    void take_read_ahead();

    // The values the add and save statements bind, in their order: twenty readings, the seven
    // texts of the parties and the cargo, the correction factor.
    std::vector<data::SqlValue> survey_values() const;
    // The survey's row as a new record; shared by add and by save without a current survey.
    void insert_survey();
    void set_result_cells(const ResultCells& cells);
    // The text of a hidden message label in the active language, %1, %2 ... filled with values.
    std::string message_text(const char* label, const std::vector<std::string>& values = {}) const;
    // Configures the interface languages whose files are there beyond the two held in the program.
    void configure_languages();
    // Empties the results, their cells and the warnings: what a survey that cannot be computed shows.
    void clear_results();
    void set_slider_readings(const forms::Slider& slider, char state);
    void set_survey_buttons(bool prev, bool next, bool del, bool save, bool add);
    // Tells the other windows that ship schip is gone.
    void schip_verwijderd(int schip);
    // The recomputation of ijk_bb_l_1change without what a typed reading does to the buttons.
    void bereken();

    std::string program_dir_;
    forms::Dialogs& dialogs_;

    // While it lives, bereken only notes in `asked` that it was asked for: fields filled together
    // (a survey shown, the readings reset) are recomputed once, when all are filled.
    struct DeferredRecomputation {
        DeferredRecomputation(bool*& slot, bool& asked) : slot_(slot) { slot_ = &asked; }
        ~DeferredRecomputation() { slot_ = nullptr; }
        DeferredRecomputation(const DeferredRecomputation&) = delete;
        DeferredRecomputation& operator=(const DeferredRecomputation&) = delete;
        bool*& slot_;
    };
    bool* deferred_ = nullptr;
    // The survey and failure last reported by toon_opname; empty after a survey computed well.
    std::string reported_survey_failure_;

    std::array<forms::Edit*, 20> readings_{};
    std::array<forms::Panel*, 20> panels_{};
    std::vector<OtherWindow> windows_;
    bool herbereken_bij_tonen_ = false;
    std::optional<OpeningRead> opening_;
};

}  // namespace ijken::survey
