#pragma once
// The main window on a real database in a fresh program directory, worked as the user would: every
// input goes through the event dispatch, so an error shows up in the scripted error box.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/forms/forms.h"
#include "core/main_window/form1.h"
#include "core/text/numbers.h"
#include "support/temp_dir.h"

namespace ijken::survey::test {

using Kind = forms::ScriptedDialogs::Kind;

// Scripted dialogs that can look at the window while an information box is up.
class WatchedDialogs : public forms::ScriptedDialogs {
  public:
    std::function<void()> while_informing;
    void information(const std::string& text) override {
        if (while_informing) while_informing();
        ScriptedDialogs::information(text);
    }
};

class Form1Fixture : public ::testing::Test {
  protected:
    // Creates the database first and moves Grain Coop 3 a minute into the past, so that a survey
    // saved during the test is surely entered later than every seeded one (the order of two surveys
    // entered within the same second is not settled).
    void SetUp() override {
        data::create_database_if_missing(dir.db_path());
        sql("update IJkOpnames set InvoerDatum=datetime('now','-1 minute') where Verlader_Naam='Grain Coop "
            "3'");
        start();
    }

    void start() {
        form = std::make_unique<Form1>(dir.dir(), dialogs);
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->formcreate(); }));
        form->show();
    }

    // ---- the user ----

    bool type(const std::string& field, const std::string& text) {
        return forms::dispatch(dialogs, [&] { form->get<forms::Edit>(field).set_text(text); });
    }
    bool click(const std::string& button) {
        return forms::dispatch(dialogs, [&] { ASSERT_TRUE(form->get<forms::Button>(button).click()); });
    }
    bool slide(const std::string& slider, int position) {
        return forms::dispatch(dialogs, [&] { form->get<forms::Slider>(slider).set_position(position); });
    }

    // ---- what the window shows ----

    std::string text(const std::string& field) const { return form->get<forms::Edit>(field).text(); }
    std::string cell(const std::string& label) const { return form->get<forms::Label>(label).caption(); }
    bool enabled(const std::string& control) const { return form->find(control)->enabled(); }
    // The five survey buttons as "<>x+o", a "-" for each one disabled.
    std::string buttons() const {
        std::string s;
        const char* names[5] = {"sltb_prev", "sltb_next", "sltb_del", "sltb_add", "sltb_save"};
        const char marks[5] = {'<', '>', 'x', '+', 'o'};
        for (int i = 0; i < 5; ++i) s += enabled(names[i]) ? marks[i] : '-';
        return s;
    }
    std::vector<std::string> boxes(Kind kind) const { return dialogs.texts(kind); }
    // True when every question asked has No as the button Return presses.
    bool questions_default_to_no() const {
        return std::ranges::all_of(dialogs.shown(), [](auto& b) {
            return b.kind != Kind::confirm || b.default_answer == forms::Answer::no;
        });
    }

    // ---- the database, on a connection of its own ----

    void sql(const std::string& statement) {
        data::SQLiteDatabase db(dir.db_path());
        db.Execute(statement);
    }
    long long count(const std::string& query) {
        data::SQLiteDatabase db(dir.db_path());
        return db.Query(query)->AsInteger(0);
    }
    // The shippers' names of a ship's surveys in list order.
    std::vector<std::string> survey_order(int ship = 1) {
        data::SQLiteDatabase db(dir.db_path());
        auto t =
            db.Query("select Verlader_Naam from IJkOpnames where Schipid=? order by InvoerDatum, Opnameid",
                     {std::int64_t{ship}});
        std::vector<std::string> names;
        for (; !t->AtEnd(); t->Next()) names.push_back(t->AsString(0));
        return names;
    }
    // One column of one survey, as text.
    std::string stored(int survey_id, const std::string& column) {
        data::SQLiteDatabase db(dir.db_path());
        auto t =
            db.Query("select " + column + " from IJkOpnames where Opnameid=?", {std::int64_t{survey_id}});
        if (t->RowCount() == 0) return "<no survey>";
        return t->AsString(0);
    }

    ijken::testing::TempDir dir;
    WatchedDialogs dialogs;
    std::unique_ptr<Form1> form;
};

}  // namespace ijken::survey::test
