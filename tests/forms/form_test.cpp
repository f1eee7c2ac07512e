// A form as owner of its controls: lookup, order, run-time menus, showing and closing.
#include <gtest/gtest.h>

#include "core/forms/forms.h"

namespace ijken::forms {
namespace {

// A small window in the shape of the main window's lower part.
class SampleForm : public Form {
  public:
    SampleForm() : Form("form1", "IJken", {430, 60, 649, 606}) {
        auto& box = add<GroupBox>("GroupBox1", nullptr, Rect{8, 336, 185, 113}, "Lading");
        add<LabeledEdit>("Verlader_Naam", &box, Rect{70, 16, 110, 21}, "Naam");
        add<MaskEdit>("ZoutMaskEdit", &box, Rect{70, 88, 41, 21}, "!0.000;1;_", "1.000");
        add<Button>("sltb_save", nullptr, Rect{136, 8, 30, 25}, "+");
        auto& ships_menu = add<MenuItem>("Schepen", &menu(), "Schepen");
        add<MenuItem>("Wijzigen1", &ships_menu, "Schip selecteren");
        add<MenuItem>("Einde1", &menu(), "Einde");
    }
};

TEST(Form, FindsControlsByNameIgnoringCaseAndKeepsDesignOrder) {
    SampleForm form;
    EXPECT_EQ(form.find("verlader_naam"), form.find("Verlader_Naam"));
    EXPECT_NE(form.find("WIJZIGEN1"), nullptr);
    EXPECT_EQ(form.find("nope"), nullptr);
    EXPECT_EQ(form.find(""), nullptr);

    std::vector<std::string> names;
    for (Control* c : form.controls()) names.push_back(c->name());
    EXPECT_EQ(names, (std::vector<std::string>{"GroupBox1", "Verlader_Naam", "ZoutMaskEdit", "sltb_save",
                                               "Schepen", "Wijzigen1", "Einde1"}));

    std::vector<std::string> in_box;
    for (Control* c : form.children(form.find("GroupBox1"))) in_box.push_back(c->name());
    EXPECT_EQ(in_box, (std::vector<std::string>{"Verlader_Naam", "ZoutMaskEdit"}));
    EXPECT_EQ(form.menu().items().size(), 2u);
    EXPECT_EQ(form.find("sltb_save")->form(), &form);
}

TEST(Form, GetChecksNameAndKindWithAClearMessage) {
    SampleForm form;
    EXPECT_EQ(form.get<Edit>("ZoutMaskEdit").text(), "1.000");  // a masked edit is an edit
    EXPECT_EQ(form.get<LabeledEdit>("verlader_naam").caption(), "Naam");

    try {
        form.get<Edit>("Verlader_Plaats");
        FAIL() << "no exception";
    } catch (const ControlLookupError& e) {
        EXPECT_STREQ(e.what(), "Form \"form1\" has no control named \"Verlader_Plaats\"");
    }
    try {
        form.get<Slider>("sltb_save");
        FAIL() << "no exception";
    } catch (const ControlLookupError& e) {
        EXPECT_STREQ(e.what(), "Control \"sltb_save\" of form \"form1\" is a button, not a slider");
    }
}

TEST(Form, RefusesDuplicateNamesAndForeignParents) {
    SampleForm form;
    EXPECT_THROW(form.add<Label>("SLTB_SAVE", nullptr, Rect{}), ControlLookupError);
    Panel stranger("p", nullptr, {});
    EXPECT_THROW(form.add<Label>("l1", &stranger, Rect{}), ControlLookupError);
    EXPECT_THROW(form.add<MenuItem>("m1", nullptr, "x"), ControlLookupError);
    EXPECT_THROW(form.add<Label>("l2", form.find("Schepen"), Rect{}), ControlLookupError);
    EXPECT_EQ(form.controls().size(), 7u);
    // Unnamed run-time items may repeat.
    form.add<MenuItem>("", &form.get<MenuItem>("Wijzigen1"), "Dummy 1");
    form.add<MenuItem>("", &form.get<MenuItem>("Wijzigen1"), "Dummy 2");
    EXPECT_EQ(form.get<MenuItem>("Wijzigen1").items().size(), 2u);
}

TEST(Form, SubmenuBuiltAndClearedAtRunTimeTellsItsItem) {
    SampleForm form;
    auto& ships = form.get<MenuItem>("Wijzigen1");
    int notices = 0;
    ships.add_observer([&](Control&) { ++notices; });

    for (int id : {1, 2, 3}) {
        MenuItem& item = ships.add_item("", "Dummy " + std::to_string(id));
        item.set_tag(id);
        item.add_item("", "nested");
    }
    EXPECT_EQ(notices, 3);
    EXPECT_EQ(ships.items()[2]->tag(), 3);
    EXPECT_EQ(form.controls().size(), 13u);

    ships.clear();
    EXPECT_EQ(notices, 4);
    EXPECT_TRUE(ships.items().empty());
    EXPECT_EQ(form.controls().size(), 7u);
}

TEST(Form, MenuItemHandlerMayRebuildTheMenuItStandsIn) {
    // Choosing a ship rebuilds the ships menu, destroying the item that was clicked.
    SampleForm form;
    auto& ships = form.get<MenuItem>("Wijzigen1");
    int chosen = 0;
    std::function<void()> build = [&] {
        ships.clear();
        for (int id : {1, 2}) {
            MenuItem& item = ships.add_item("", "Schip " + std::to_string(id));
            item.set_tag(id);
            item.on_click = [&, id] {
                chosen = id;
                build();
            };
        }
    };
    build();
    EXPECT_TRUE(ships.items()[1]->click());
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(ships.items().size(), 2u);
    EXPECT_TRUE(ships.items()[0]->click());
    EXPECT_EQ(chosen, 1);
}

TEST(Form, ShowRunsOnShowOnlyWhenItBecomesVisible) {
    SampleForm form;
    int shows = 0;
    int notices = 0;
    form.on_show = [&] {
        ++shows;
        EXPECT_TRUE(form.visible());
    };
    form.add_observer([&](Form&) { ++notices; });
    form.show();
    form.show();
    form.hide();
    form.show();
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(notices, 3);
    form.set_caption("IJken");
    EXPECT_EQ(notices, 3);
}

TEST(Form, ModalShowingContinuesOnceWhenClosed) {
    SampleForm form;
    ScriptedModalDisplay display;
    std::vector<std::string> trail;
    form.on_show = [&] { trail.push_back("show"); };
    form.on_close = [&] { trail.push_back("close"); };

    display.show_modal(form, [&] { trail.push_back("continued"); });
    EXPECT_TRUE(form.visible());
    EXPECT_TRUE(form.modal());
    EXPECT_THROW(form.show_modal([] {}), std::logic_error);
    ASSERT_EQ(display.shown().size(), 1u);
    EXPECT_EQ(display.shown()[0], &form);

    form.close();
    EXPECT_FALSE(form.visible());
    EXPECT_FALSE(form.modal());
    form.close();  // closing again runs on_close, but the continuation ran already
    EXPECT_EQ(trail, (std::vector<std::string>{"show", "close", "continued", "close"}));

    form.show();
    EXPECT_THROW(form.show_modal([] {}), std::logic_error);  // a visible window cannot become modal
}

TEST(Form, CloseHandlerThatFailsKeepsTheFormOpen) {
    SampleForm form;
    bool continued = false;
    form.on_close = [] { throw std::runtime_error("Unable to write to tln.tln"); };
    form.show_modal([&] { continued = true; });
    ScriptedDialogs dialogs;
    dispatch(dialogs, [&] { form.close(); });
    EXPECT_TRUE(form.visible());
    EXPECT_FALSE(continued);
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::error),
              (std::vector<std::string>{"Unable to write to tln.tln"}));
    form.on_close = nullptr;
    form.close();
    EXPECT_TRUE(continued);
}

}  // namespace
}  // namespace ijken::forms
