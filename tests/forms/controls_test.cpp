// Behaviour of the single controls: change notification, ranges, masks, clicks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/forms/forms.h"

namespace ijken::forms {
namespace {

// Counts observer calls and change-handler calls of one control, and the order they came in.
struct Tally {
    std::vector<std::string> events;
    int count(const std::string& what) const {
        return static_cast<int>(std::count(events.begin(), events.end(), what));
    }
};

TEST(Edit, ChangeHandlerRunsOnlyOnRealChangeAfterObservers) {
    Edit edit("ijk_bb_l_1", nullptr, {0, 4, 57, 21}, "0");
    Tally tally;
    edit.add_observer(
        [&](Control& c) { tally.events.push_back("observer:" + static_cast<Edit&>(c).text()); });
    edit.on_change = [&] { tally.events.push_back("change:" + edit.text()); };

    edit.set_text("0");  // the text it holds: nothing
    EXPECT_TRUE(tally.events.empty());

    edit.set_text("200.5");
    edit.set_text("200.5");
    edit.set_text("");
    EXPECT_EQ(tally.events,
              (std::vector<std::string>{"observer:200.5", "change:200.5", "observer:", "change:"}));
}

TEST(Edit, HandlerMaySetTextAgainAndReplaceItself) {
    Edit edit("e", nullptr, {});
    int runs = 0;
    edit.on_change = [&] {
        ++runs;
        // A handler that normalises the text re-enters once; replacing the handler inside it must
        // not destroy the running one.
        if (edit.text() == "a") edit.set_text("b");
        edit.on_change = [&] { runs += 100; };
    };
    edit.set_text("a");
    EXPECT_EQ(edit.text(), "b");
    EXPECT_EQ(runs, 2);
}

TEST(Control, PropertiesNotifyOncePerRealChangeAndRemovedObserversStaySilent) {
    Button button("sltb_prev", nullptr, {8, 8, 30, 25}, "<");
    int first = 0;
    int second = 0;
    const int id = button.add_observer([&](Control&) { ++first; });
    button.add_observer([&](Control&) { ++second; });

    button.set_enabled(false);
    button.set_enabled(false);
    button.set_hint("Vorige");
    button.set_hint("Vorige");
    button.set_caption("<");
    button.set_geometry({8, 8, 30, 25});
    button.set_bold(true);
    EXPECT_EQ(first, 3);

    button.remove_observer(id);
    button.set_visible(false);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, 4);
}

TEST(Control, ObserverMayRemoveItselfAndOthersWhileNotified) {
    Label label("l", nullptr, {});
    int a = 0;
    int b = 0;
    int id_b = 0;
    int id_a = 0;
    id_a = label.add_observer([&](Control& c) {
        ++a;
        c.remove_observer(id_a);
        c.remove_observer(id_b);
    });
    id_b = label.add_observer([&](Control&) { ++b; });
    label.set_caption("x");
    label.set_caption("y");
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);  // removed before its turn came
}

TEST(Control, ShowingAndUsableFollowTheParents) {
    Panel panel("lb_bb_1", nullptr, {8, 100, 73, 25});
    Edit edit("ijk_bb_l_1", &panel, {0, 4, 57, 21});
    EXPECT_TRUE(edit.showing());
    panel.set_visible(false);
    EXPECT_FALSE(edit.showing());
    EXPECT_TRUE(edit.visible());
    panel.set_visible(true);
    panel.set_enabled(false);
    EXPECT_FALSE(edit.usable());
}

TEST(Button, ClickRunsHandlerOnlyWhenReachable) {
    Panel panel("Panel1", nullptr, {208, 464, 177, 41});
    Button button("sltb_save", &panel, {136, 8, 30, 25}, "+");
    int clicks = 0;
    EXPECT_FALSE(button.click());  // no handler
    button.on_click = [&] { ++clicks; };
    EXPECT_TRUE(button.click());
    button.set_enabled(false);
    EXPECT_FALSE(button.click());
    button.set_enabled(true);
    button.set_visible(false);
    EXPECT_FALSE(button.click());
    button.set_visible(true);
    panel.set_enabled(false);
    EXPECT_FALSE(button.click());
    panel.set_enabled(true);
    panel.set_visible(false);
    EXPECT_FALSE(button.click());
    EXPECT_EQ(clicks, 1);
}

TEST(Slider, PositionClampsAndNotifiesAlsoWhenSetByTheProgram) {
    Slider slider("TrackbarLeeg", nullptr, {163, 80, 17, 245}, 0, 200, 200);
    std::vector<int> seen;
    slider.on_change = [&] { seen.push_back(slider.position()); };

    slider.set_position(31);
    slider.set_position(31);
    slider.set_position(-5);   // below the range: the minimum
    slider.set_position(999);  // above: the maximum
    EXPECT_EQ(seen, (std::vector<int>{31, 0, 200}));

    // A maximum below the position drags the position along, which is a change.
    slider.set_maximum(150);
    EXPECT_EQ(slider.position(), 150);
    EXPECT_EQ(seen.back(), 150);
    // A maximum above it leaves the position alone.
    seen.clear();
    slider.set_maximum(250);
    EXPECT_EQ(slider.position(), 150);
    EXPECT_TRUE(seen.empty());
    // The start-up sequence of a loaded ship: maximum, then position, both to the maximum.
    slider.set_maximum(250);
    slider.set_position(250);
    EXPECT_EQ(seen, (std::vector<int>{250}));
}

TEST(Slider, ARangeTheWrongWayRoundIsRefusedAndChangesNothing) {
    Slider slider("s", nullptr, {}, 0, 200, 100);
    EXPECT_THROW(slider.set_maximum(-1), std::invalid_argument);
    EXPECT_THROW(slider.set_minimum(201), std::invalid_argument);
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), 200);
    EXPECT_EQ(slider.position(), 100);
    slider.set_minimum(120);
    EXPECT_EQ(slider.position(), 120);
}

TEST(UpDown, StepsTheAssociatedEditWithinItsRange) {
    Edit edit("ijk_bb_l_1", nullptr, {0, 4, 57, 21}, "0");
    UpDown up_down("UpDown1", nullptr, {57, 4, 16, 21}, &edit, -25, 500);
    int changes = 0;
    edit.on_change = [&] { ++changes; };

    EXPECT_TRUE(up_down.up());
    EXPECT_EQ(edit.text(), "1");
    up_down.down();
    up_down.down();
    EXPECT_EQ(edit.text(), "-1");
    EXPECT_EQ(changes, 3);

    edit.set_text("500");
    changes = 0;
    up_down.up();  // at the maximum: the text stays, so no change
    EXPECT_EQ(edit.text(), "500");
    EXPECT_EQ(changes, 0);

    edit.set_text("-25");
    up_down.down();
    EXPECT_EQ(edit.text(), "-25");

    // A value outside the range comes back into it first.
    edit.set_text("900");
    up_down.down();
    EXPECT_EQ(edit.text(), "499");
    edit.set_text(" 42 ");
    up_down.up();
    EXPECT_EQ(edit.text(), "43");
}

TEST(UpDown, TextThatIsNoNumberCountsAsZero) {
    Edit edit("e", nullptr, {});
    UpDown up_down("u", nullptr, {}, &edit, -25, 500);
    for (const char* text : {"", "abc", "1e3", "12.", ".5", "1.2.3", "99999999999999999999"}) {
        edit.set_text(text);
        up_down.up();
        EXPECT_EQ(edit.text(), "1") << "from \"" << text << "\"";
    }
    // When 0 lies outside the range, the stand-in 0 is brought into it as well.
    UpDown positive("p", nullptr, {}, &edit, 10, 20);
    edit.set_text("x");
    positive.down();
    EXPECT_EQ(edit.text(), "10");
}

TEST(UpDown, DecimalReadingStepsByOneAndKeepsItsDecimals) {
    Edit edit("e", nullptr, {});
    UpDown up_down("u", nullptr, {}, &edit, -25, 500);
    const std::pair<const char*, const char*> up_cases[] = {
        {"190.5", "191.5"}, {"200,5", "201,5"}, {"-0.25", "0.75"}, {"-1.5", "-0.5"}, {" 9.05 ", "10.05"},
        {"499.5", "500.0"}, {"500.5", "500.0"}};
    for (auto [from, to] : up_cases) {
        edit.set_text(from);
        up_down.up();
        EXPECT_EQ(edit.text(), to) << "up from " << from;
    }
    edit.set_text("-24.5");
    up_down.down();
    EXPECT_EQ(edit.text(), "-25.0");
    up_down.down();
    EXPECT_EQ(edit.text(), "-25.0");
}

TEST(UpDown, DoesNothingWithoutAssociateOrWhenUnreachable) {
    UpDown lonely("u", nullptr, {});
    EXPECT_FALSE(lonely.up());
    EXPECT_EQ(lonely.position(), 0);

    Panel panel("p", nullptr, {});
    Edit edit("e", &panel, {}, "5");
    UpDown up_down("u2", &panel, {}, &edit, 0, 10);
    panel.set_visible(false);
    EXPECT_FALSE(up_down.up());
    EXPECT_EQ(edit.text(), "5");
    EXPECT_THROW(up_down.set_range(3, 2), std::invalid_argument);
}

TEST(RadioGroup, IndexClampsAndChangeRunsOnlyOnRealChange) {
    RadioGroup group("TaalKeuze", nullptr, {8, 448, 185, 81}, "Afdruk taal",
                     {"Nederlands", "Frans", "Duits"});
    EXPECT_EQ(group.item_index(), -1);
    std::vector<int> seen;
    group.on_change = [&] { seen.push_back(group.item_index()); };

    group.set_item_index(0);
    group.set_item_index(0);
    group.set_item_index(2);
    group.set_item_index(7);   // beyond the last item: the last item, no change
    group.set_item_index(-9);  // below: none
    EXPECT_EQ(seen, (std::vector<int>{0, 2, -1}));
}

TEST(RadioGroup, NewItemsKeepTheIndexWhileItFits) {
    RadioGroup group("TaalKeuze", nullptr, {}, "Afdruk taal", {"Nederlands", "Frans", "Duits"});
    group.set_item_index(1);
    int changes = 0;
    int notices = 0;
    group.on_change = [&] { ++changes; };
    group.add_observer([&](Control&) { ++notices; });

    group.set_items({"Néerlandais", "Français", "Allemand"});
    EXPECT_EQ(group.item_index(), 1);
    EXPECT_EQ(group.items()[1], "Français");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(notices, 1);

    group.set_items({"Néerlandais", "Français", "Allemand"});  // the same items: nothing
    EXPECT_EQ(notices, 1);

    group.set_items({"een"});
    EXPECT_EQ(group.item_index(), 0);
    EXPECT_EQ(changes, 1);
    group.set_items({});
    EXPECT_EQ(group.item_index(), -1);
    EXPECT_EQ(changes, 2);
}

TEST(EditMask, ParsesTheDesignedSaltFactorMask) {
    const EditMask mask("!0.000;1;_");
    ASSERT_EQ(mask.positions().size(), 5u);
    EXPECT_EQ(mask.positions()[0].slot, EditMask::Slot::digit);
    EXPECT_EQ(mask.positions()[1].slot, EditMask::Slot::literal);
    EXPECT_EQ(mask.positions()[1].literal, '.');
    EXPECT_EQ(mask.blank(), '_');
    EXPECT_TRUE(mask.keeps_literals());

    const EditMask other("\\(99\\) 0;0; ");
    ASSERT_EQ(other.positions().size(), 6u);
    EXPECT_EQ(other.positions()[0].literal, '(');
    EXPECT_EQ(other.positions()[1].slot, EditMask::Slot::digit_optional);
    EXPECT_EQ(other.blank(), ' ');
    EXPECT_FALSE(other.keeps_literals());
}

struct FitCase {
    const char* text;
    const char* fitted;
    bool complete;
};

class EditMaskFit : public testing::TestWithParam<FitCase> {};

TEST_P(EditMaskFit, FitsTextsToTheSaltFactorMask) {
    const EditMask mask("!0.000;1;_");
    const FitCase& c = GetParam();
    EXPECT_EQ(mask.fit(c.text), c.fitted);
    EXPECT_EQ(mask.complete(mask.fit(c.text)), c.complete);
}

INSTANTIATE_TEST_SUITE_P(Cases, EditMaskFit,
                         testing::Values(FitCase{"1.000", "1.000", true}, FitCase{"1.025", "1.025", true},
                                         FitCase{"1.5", "1.5__", false}, FitCase{"", "_.___", false},
                                         FitCase{".5", "_.5__", false}, FitCase{"1._25", "1._25", false},
                                         FitCase{"1025", "1.025", true}, FitCase{"1.0255", "1.025", true},
                                         FitCase{"a.b", "_.___", false}, FitCase{"_.5", "_.5__", false}));

TEST(MaskEdit, HoldsTheFittedTextAndReportsOnlyItsChanges) {
    MaskEdit edit("ZoutMaskEdit", nullptr, {70, 88, 41, 21}, "!0.000;1;_", "1.000");
    EXPECT_EQ(edit.text(), "1.000");
    int changes = 0;
    edit.on_change = [&] { ++changes; };
    edit.set_text("1.0");  // fits to "1.0__": a change
    EXPECT_EQ(edit.text(), "1.0__");
    edit.set_text("1.0_");  // fits to the same text: no change
    EXPECT_EQ(changes, 1);
    edit.set_text("1.025");
    EXPECT_EQ(changes, 2);
    edit.set_mask("");
    EXPECT_EQ(edit.text(), "1.025");
}

TEST(MenuItem, ClickNeedsVisibleAndEnabledItemAndParents) {
    Form form("form1", "IJken", {});
    MenuItem& ships_menu = form.add<MenuItem>("Schepen", &form.menu(), "Schepen");
    MenuItem& new_item = form.add<MenuItem>("Invoeren1", &ships_menu, "Nieuw schip");
    int clicks = 0;
    new_item.on_click = [&] { ++clicks; };
    EXPECT_TRUE(new_item.click());
    ships_menu.set_enabled(false);
    EXPECT_FALSE(new_item.click());
    ships_menu.set_enabled(true);
    new_item.set_visible(false);
    EXPECT_FALSE(new_item.click());
    EXPECT_EQ(clicks, 1);
}

TEST(Drawing, PaintsAtControlSizeWhenStretchedElseAtPictureSize) {
    Drawing image("Image1", nullptr, {88, 30, 80, 307});
    RecordingPainter painter;
    image.render(painter);  // no paint handler: nothing, no failure
    EXPECT_TRUE(painter.calls().empty());

    image.paint = [](Painter& p, int w, int h) { p.draw_rect({0, 0, w, h}); };
    image.set_picture_size(40, 150);
    image.render(painter);
    image.set_stretch(true);
    image.render(painter);
    EXPECT_EQ(painter.calls(), (std::vector<std::string>{"rect 0 0 40 150", "rect 0 0 80 307"}));
}

}  // namespace
}  // namespace ijken::forms
