#pragma once
// The main window with its other windows, on a real database in a fresh program directory; modal
// windows are shown through the scripted display, so a test works a window and then closes it.
#include <string>
#include <vector>

#include "core/program/program_windows.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "core/shipdata/schipinvoer.h"
#include "main_window/form1_fixture.h"

namespace ijken::shipdata::test {

using Kind = forms::ScriptedDialogs::Kind;

class FleetFixture : public survey::test::Form1Fixture {
  protected:
    void SetUp() override {
        Form1Fixture::SetUp();
        open_windows();
    }
    void open_windows() {
        form->services.modal = &modal;
        ijken::program::create_windows(*form);
        schip = form->window<Schipinvoer>();
        ijk = form->window<Ijkeninvoerform>();
        ASSERT_TRUE(schip && ijk);
    }

    // Runs a handler as the event loop does; false when it showed an error.
    template <class F>
    bool run(F&& handler) {
        return forms::dispatch(dialogs, std::forward<F>(handler));
    }
    bool click_menu(const std::string& item) {
        return run([&] { ASSERT_TRUE(form->get<forms::MenuItem>(item).click()); });
    }
    bool click_in(forms::Form& f, const std::string& button) {
        return run([&] { ASSERT_TRUE(f.get<forms::Button>(button).click()); });
    }
    void set(forms::Form& f, const std::string& edit, const std::string& text) {
        ASSERT_TRUE(run([&] { f.get<forms::Edit>(edit).set_text(text); }));
    }
    forms::StringGrid& grid(const char* name) const { return ijk->get<forms::StringGrid>(name); }

    // Captions of the run-time items of a ships submenu, a "*" before the checked one.
    std::vector<std::string> submenu(const std::string& name) const {
        std::vector<std::string> v;
        for (forms::MenuItem* i : form->get<forms::MenuItem>(name).items()) v.push_back((i->checked() ? "*" : "") + i->caption());
        return v;
    }
    forms::MenuItem& ship_item(const std::string& submenu_name, const std::string& caption) const {
        for (forms::MenuItem* i : form->get<forms::MenuItem>(submenu_name).items()) {
            if (i->caption() == caption) return *i;
        }
        throw std::runtime_error("no item " + caption);
    }
    // A ship's gauge table as "inzinking=tonnage" lines, in order.
    std::vector<std::string> table(int ship) {
        data::SQLiteDatabase db(dir.db_path());
        auto t = db.Query("select Inzinking, Tonnage from IJKtable where SchipID=? order by Inzinking", {std::int64_t{ship}});
        std::vector<std::string> v;
        for (; !t->AtEnd(); t->Next()) v.push_back(t->AsString(0) + "=" + t->AsString(1));
        return v;
    }
    std::string ship_column(int ship, const std::string& column) {
        data::SQLiteDatabase db(dir.db_path());
        auto t = db.Query("select " + column + " from Schiptable where SchipID=?", {std::int64_t{ship}});
        return t->RowCount() == 0 ? "<no ship>" : t->AsString(0);
    }

    forms::ScriptedModalDisplay modal;
    Schipinvoer* schip = nullptr;
    Ijkeninvoerform* ijk = nullptr;
};

}  // namespace ijken::shipdata::test
