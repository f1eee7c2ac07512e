// A core form shown as a real window on the offscreen platform: user input reaches the core
// controls, the core's changes reach the widgets.
#include "gui/form_window.h"

#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "core/forms/forms.h"
#include "gui/control_binder.h"
#include "gui/edit_binder.h"
#include "gui/qt_text.h"

using namespace ijken;
using forms::Rect;

namespace {

// A window in the shape of a corner of the main window.
class SampleForm : public forms::Form {
  public:
    int changes = 0;
    int clicks = 0;
    int slider_changes = 0;
    int menu_clicks = 0;
    int radio_changes = 0;

    SampleForm() : Form("form1", "IJken", {430, 60, 649, 606}) {
        auto& panel = add<forms::Panel>("lb_bb_1", nullptr, Rect{8, 100, 73, 25});
        panel.set_borderless(true);
        auto& reading = add<forms::Edit>("ijk_bb_l_1", &panel, Rect{0, 4, 57, 21}, "0");
        reading.on_change = [this] { ++changes; };
        add<forms::UpDown>("UpDown1", &panel, Rect{57, 4, 16, 21}, &reading, -25, 500);

        auto& box = add<forms::GroupBox>("GroupBox1", nullptr, Rect{8, 336, 185, 113}, "Lading");
        add<forms::LabeledEdit>("Verlader_Naam", &box, Rect{70, 16, 110, 21}, "Naam");
        add<forms::MaskEdit>("ZoutMaskEdit", &box, Rect{70, 88, 41, 21}, "!0.000;1;_", "1.000");

        auto& taal = add<forms::RadioGroup>("TaalKeuze", nullptr, Rect{8, 448, 185, 81}, "Afdruk taal",
                                            std::vector<std::string>{"Nederlands", "Frans", "Duits"});
        taal.set_item_index(0);
        taal.on_change = [this] { ++radio_changes; };

        auto& save = add<forms::Button>("sltb_save", nullptr, Rect{136, 8, 30, 25}, "+");
        save.set_hint("Wijzigingen opslaan");
        save.set_bold(true);
        save.set_font_height(-16);
        save.on_click = [this] { ++clicks; };

        auto& slider = add<forms::Slider>("TrackbarLeeg", nullptr, Rect{163, 80, 17, 245}, 0, 200, 200);
        slider.on_change = [this] { ++slider_changes; };

        auto& ships_menu = add<forms::MenuItem>("Schepen", &menu(), "&Schepen");
        add<forms::MenuItem>("Wijzigen1", &ships_menu, "Schip selecteren");
        auto& einde = add<forms::MenuItem>("Einde1", &ships_menu, "&Einde");
        einde.set_shortcut("Ctrl+Q");
        einde.on_click = [this] { ++menu_clicks; };
        add<forms::MenuItem>("NL1", &menu(), "NL");
    }
};

// Types text key by key as the keyboard would, any character included (QTest::keyClicks only
// takes Latin-1).
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

}  // namespace

class FormWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<SampleForm> form_;
    std::unique_ptr<forms::ScriptedDialogs> dialogs_;
    std::unique_ptr<gui::FormWindow> window_;

    template <class W>
    W* widget(const char* name) {
        auto* w = qobject_cast<W*>(window_->widget_for(name));
        if (w == nullptr) qFatal("no widget %s", name);
        return w;
    }

  private slots:
    void init() {
        form_ = std::make_unique<SampleForm>();
        dialogs_ = std::make_unique<forms::ScriptedDialogs>();
        window_ = std::make_unique<gui::FormWindow>(*form_, *dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_.reset();
        form_.reset();
        dialogs_.reset();
    }

    void buildsWidgetsAtTheirDesignedPlaces() {
        QCOMPARE(window_->windowTitle(), QString("IJken"));
        auto* reading = widget<QLineEdit>("ijk_bb_l_1");
        QCOMPARE(reading->geometry(), QRect(0, 4, 57, 21));
        QCOMPARE(reading->parentWidget(), window_->widget_for("lb_bb_1"));
        QCOMPARE(reading->text(), QString("0"));
        auto* box = widget<QGroupBox>("GroupBox1");
        QCOMPARE(box->title(), QString("Lading"));
        QCOMPARE(widget<QLineEdit>("Verlader_Naam")->parentWidget(), box);

        // The attached label ends left of its edit and says what the core says.
        auto* label = box->findChild<QLabel*>("Verlader_Naam_label");
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), QString("Naam"));
        QVERIFY(label->geometry().right() < 70);

        auto* save = widget<QPushButton>("sltb_save");
        QCOMPARE(save->toolTip(), QString("Wijzigingen opslaan"));
        QVERIFY(save->font().bold());
        QCOMPARE(save->font().pixelSize(), 16);
        QCOMPARE(reading->font().pixelSize(), 11);

        // Design order is tab order: from the reading, Tab goes to the shipper's name (the up-down
        // arrows take no focus), then to the salt factor.
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        reading->setFocus();
        QTest::keyClick(reading, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), widget<QLineEdit>("Verlader_Naam"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), widget<QLineEdit>("ZoutMaskEdit"));
    }

    void windowDesignedPastTheScreenEdgeIsMovedOntoIt() {
        // The sample is designed at left 430, 649 wide: past the right edge of a screen narrower
        // than 1079 pixels, as the offscreen one is. It moves left just far enough.
        const QRect screen = window_->screen()->availableGeometry();
        QVERIFY(screen.width() < 430 + 649);
        QCOMPARE(window_->pos().x(), screen.right() + 1 - 649);
        QVERIFY(window_->pos().y() >= screen.top());
        QVERIFY(window_->pos().y() + 606 <= screen.bottom() + 1);
    }

    void typingReachesTheCoreEditAndItsChangeHandler() {
        auto* reading = widget<QLineEdit>("ijk_bb_l_1");
        reading->setFocus();
        reading->selectAll();
        QTest::keyClicks(reading, "200.5");
        QCOMPARE(form_->get<forms::Edit>("ijk_bb_l_1").text(), std::string("200.5"));
        QCOMPARE(form_->changes, 5);  // one per keystroke; the selection was replaced by the first

        // The program's change shows in the widget without coming back as input.
        form_->get<forms::Edit>("ijk_bb_l_1").set_text("190");
        QCOMPARE(reading->text(), QString("190"));
        QCOMPARE(form_->changes, 6);
    }

    void windows1252CharactersAreStoredAsItsBytes() {
        auto* name = widget<QLineEdit>("Verlader_Naam");
        type(name, QString::fromUtf8("Coopé €"));
        QCOMPARE(form_->get<forms::Edit>("Verlader_Naam").text(), std::string("Coop\xE9 \x80"));
        form_->get<forms::Edit>("Verlader_Naam").set_text("Fran\xE7ois");
        QCOMPARE(name->text(), QString::fromUtf8("François"));
    }

    void anUnencodableCharacterIsRefusedWithAMessage() {
        auto* name = widget<QLineEdit>("Verlader_Naam");
        QTest::keyClicks(name, "Gd");
        name->setCursorPosition(1);
        type(name, QString::fromUtf8("Ł"));
        QCoreApplication::processEvents();
        QCOMPARE(form_->get<forms::Edit>("Verlader_Naam").text(), std::string("Gd"));
        QCOMPARE(name->text(), QString("Gd"));
        QCOMPARE(name->cursorPosition(), 1);
        const auto errors = dialogs_->texts(forms::ScriptedDialogs::Kind::error);
        QCOMPARE(errors.size(), std::size_t{1});
        // The message shows the character as typed: it goes to the box as UTF-8, not as
        // Windows-1252 bytes that would show it garbled.
        QCOMPARE(QString::fromStdString(errors[0]),
                 QString::fromUtf8("Het teken \"Ł\" (U+0141) bestaat niet in Windows-1252 en kan niet worden "
                                   "opgeslagen"));

        // A paste with one bad character is refused whole.
        name->insert(QString::fromUtf8("ańsk"));
        QCoreApplication::processEvents();
        QCOMPARE(name->text(), QString("Gd"));
        QCOMPARE(form_->get<forms::Edit>("Verlader_Naam").text(), std::string("Gd"));
        QCOMPARE(dialogs_->shown().size(), std::size_t{2});
    }

    void textSetThroughTheAccessibilityInterfaceIsTypedText() {
        auto* reading = widget<QLineEdit>("ijk_bb_l_1");
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(reading);
        QVERIFY(accessible && accessible->editableTextInterface());
        accessible->editableTextInterface()->replaceText(0, accessible->textInterface()->characterCount(),
                                                         "215");
        QCOMPARE(form_->get<forms::Edit>("ijk_bb_l_1").text(), std::string("215"));
        QCOMPARE(form_->changes, 1);
        accessible->setText(QAccessible::Value, "216");
        QCOMPARE(form_->get<forms::Edit>("ijk_bb_l_1").text(), std::string("216"));
        QCOMPARE(form_->changes, 2);

        // A symbol's button is called by its hint, an edit by its label, as screen readers find them.
        QCOMPARE(widget<QPushButton>("sltb_save")->accessibleName(), QString("Wijzigingen opslaan"));
        QCOMPARE(widget<QLineEdit>("Verlader_Naam")->accessibleName(), QString("Naam"));
        form_->get<forms::Edit>("ijk_bb_l_1").set_accessible_name("bakboord leeg 1");
        QCOMPARE(reading->accessibleName(), QString("bakboord leeg 1"));
    }

    void maskedEditKeepsLiteralAndBlanks() {
        auto* salt = widget<QLineEdit>("ZoutMaskEdit");
        QCOMPARE(salt->displayText(), QString("1.000"));
        salt->setFocus();
        salt->setCursorPosition(2);
        QTest::keyClicks(salt, "025");
        QCOMPARE(form_->get<forms::Edit>("ZoutMaskEdit").text(), std::string("1.025"));
        salt->setCursorPosition(3);
        QTest::keyClick(salt, Qt::Key_Delete);
        QCOMPARE(form_->get<forms::Edit>("ZoutMaskEdit").text(), std::string("1.0_5"));
        form_->get<forms::Edit>("ZoutMaskEdit").set_text("2.5");
        QCOMPARE(salt->displayText(), QString("2.5__"));
    }

    void buttonClicksRunTheHandlerOnlyWhenEnabled() {
        auto* save = widget<QPushButton>("sltb_save");
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(form_->clicks, 1);
        form_->get<forms::Button>("sltb_save").set_enabled(false);
        QVERIFY(!save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(form_->clicks, 1);
        form_->get<forms::Button>("sltb_save").set_visible(false);
        QVERIFY(save->isHidden());
    }

    void anErrorInAHandlerIsShownAndTheWindowGoesOn() {
        form_->get<forms::Button>("sltb_save").on_click = [] {
            throw std::runtime_error("database is locked");
        };
        QTest::mouseClick(widget<QPushButton>("sltb_save"), Qt::LeftButton);
        QCOMPARE(dialogs_->texts(forms::ScriptedDialogs::Kind::error),
                 std::vector<std::string>{"database is locked"});
        QTest::keyClicks(widget<QLineEdit>("ijk_bb_l_1"), "5");
        QCOMPARE(form_->get<forms::Edit>("ijk_bb_l_1").text(), std::string("05"));  // typed after the "0"
    }

    void sliderFollowsBothWaysWithItsMinimumAtTheTop() {
        auto* slider = widget<QSlider>("TrackbarLeeg");
        auto& core = form_->get<forms::Slider>("TrackbarLeeg");
        QCOMPARE(slider->orientation(), Qt::Vertical);
        QVERIFY(slider->invertedAppearance());
        QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
        QCOMPARE(slider->value(), 200);

        core.set_position(31);
        QCOMPARE(slider->value(), 31);
        QCOMPARE(form_->slider_changes, 1);

        // Down moves the thumb down, towards the maximum.
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Down);
        QCOMPARE(core.position(), 32);
        QTest::keyClick(slider, Qt::Key_Up);
        QTest::keyClick(slider, Qt::Key_Up);
        QCOMPARE(core.position(), 30);
        QCOMPARE(form_->slider_changes, 4);

        // The minimum is at the top: a click high on the track moves towards it.
        core.set_position(100);
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, 3));
        QVERIFY2(core.position() < 100, std::to_string(core.position()).c_str());
        const int before = core.position();
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() - 3));
        QVERIFY(core.position() > before);
        core.set_maximum(20);
        QCOMPARE(slider->maximum(), 20);
    }

    void upDownStepsItsEditByButtonAndArrowKey() {
        auto* binder_widget = window_->widget_for("UpDown1");
        auto* up = binder_widget->findChild<QToolButton*>("UpDown1_up");
        auto* down = binder_widget->findChild<QToolButton*>("UpDown1_down");
        QVERIFY(up != nullptr && down != nullptr);
        QCOMPARE(binder_widget->size(), QSize(16, 21));
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(widget<QLineEdit>("ijk_bb_l_1")->text(), QString("2"));
        QTest::mouseClick(down, Qt::LeftButton);
        QTest::keyClick(widget<QLineEdit>("ijk_bb_l_1"), Qt::Key_Up);
        QTest::keyClick(widget<QLineEdit>("ijk_bb_l_1"), Qt::Key_Up);
        QCOMPARE(form_->get<forms::Edit>("ijk_bb_l_1").text(), std::string("3"));
        QCOMPARE(form_->changes, 5);
    }

    void radioGroupFollowsBothWays() {
        auto* box = widget<QGroupBox>("TaalKeuze");
        auto buttons = box->findChildren<QRadioButton*>();
        QCOMPARE(buttons.size(), 3);
        auto* frans = box->findChild<QRadioButton*>("TaalKeuze_1");
        QVERIFY(box->findChild<QRadioButton*>("TaalKeuze_0")->isChecked());
        QTest::mouseClick(frans, Qt::LeftButton, {}, QPoint(6, frans->height() / 2));
        QCOMPARE(form_->get<forms::RadioGroup>("TaalKeuze").item_index(), 1);
        QCOMPARE(form_->radio_changes, 1);

        auto& core = form_->get<forms::RadioGroup>("TaalKeuze");
        core.set_items(
            {"N\xE9"
             "erlandais",
             "Fran\xE7"
             "ais",
             "Allemand"});
        QCOMPARE(frans->text(), QString::fromUtf8("Français"));
        QVERIFY(frans->isChecked());
        core.set_item_index(-1);
        for (QRadioButton* b : box->findChildren<QRadioButton*>()) QVERIFY(!b->isChecked());
        QCOMPARE(form_->radio_changes, 2);
    }

    void menuActionsRunTheirItemsAndFollowRunTimeChanges() {
        auto& einde = form_->get<forms::MenuItem>("Einde1");
        QAction* action = window_->action_for(einde);
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), QString("&Einde"));
        QCOMPARE(action->shortcut(), QKeySequence("Ctrl+Q"));
        action->trigger();
        QCOMPARE(form_->menu_clicks, 1);

        QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(form_->menu_clicks, 2);

        einde.set_enabled(false);
        QVERIFY(!action->isEnabled());
        einde.set_enabled(true);

        // The ships submenu is filled at run time; choosing a ship rebuilds it.
        auto& ships = form_->get<forms::MenuItem>("Wijzigen1");
        int chosen = 0;
        std::function<void()> build = [&] {
            ships.clear();
            for (int id : {1, 2, 3}) {
                auto& item = ships.add_item("", "Dummy " + std::to_string(id));
                item.set_tag(id);
                item.set_checked(id == chosen);
                item.on_click = [&, id] {
                    chosen = id;
                    build();
                };
            }
        };
        build();
        QMenu* ships_menu = window_->menu_for(ships);
        QVERIFY(ships_menu != nullptr);
        QCOMPARE(ships_menu->actions().size(), 3);
        QCOMPARE(ships_menu->actions()[2]->text(), QString("Dummy 3"));
        ships_menu->actions()[1]->trigger();
        QCOMPARE(chosen, 2);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto now = window_->menu_for(ships)->actions();
        QCOMPARE(now.size(), 3);
        QCOMPARE(now[1]->text(), QString("Dummy 2"));
        QVERIFY(now[1]->isChecked());
        QVERIFY(!now[0]->isChecked());
        // Only the current items remain below the ships menu.
        QCOMPARE(window_->findChildren<QMenu*>("Wijzigen1").size(), 1);

        ships.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Without children the item is a plain action again.
        QVERIFY(window_->action_for(ships) != nullptr);
        QVERIFY(window_->action_for(ships)->menu() == nullptr);
    }

    // A submenu gets its actions when it is first opened; a shortcut below one works before that.
    void submenusAreFilledWhenFirstNeeded() {
        auto& ships = form_->get<forms::MenuItem>("Wijzigen1");
        for (int id : {1, 2}) ships.add_item("", "Dummy " + std::to_string(id));
        QCoreApplication::processEvents();
        QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(form_->menu_clicks, 1);
        auto* menu = window_->findChild<QMenu*>("Wijzigen1");
        QVERIFY(menu != nullptr);
        QVERIFY(menu->actions().isEmpty());
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions()[1]->text(), QString("Dummy 2"));
        // Once filled it follows changes as before.
        ships.add_item("", "Dummy 3");
        QCOMPARE(window_->menu_for(ships)->actions().size(), 3);
    }

    // What waits for the user's first action runs once, before that action's handler: a menu key,
    // then a button, each after it was set.
    void preparationRunsBeforeTheFirstUserAction() {
        std::vector<std::string> seen;
        form_->get<forms::MenuItem>("Einde1").on_click = [&] { seen.push_back("menu"); };
        form_->get<forms::Button>("sltb_save").on_click = [&] { seen.push_back("button"); };
        gui::before_next_user_action([&] { seen.push_back("prepared"); });
        QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
        gui::before_next_user_action([&] { seen.push_back("prepared"); });
        QTest::mouseClick(widget<QPushButton>("sltb_save"), Qt::LeftButton);
        QTest::mouseClick(widget<QPushButton>("sltb_save"), Qt::LeftButton);
        QCOMPARE(seen, (std::vector<std::string>{"prepared", "menu", "menu", "prepared", "button", "button"}));
    }

    void closingTheWindowClosesTheForm() {
        int closes = 0;
        form_->on_close = [&] { ++closes; };
        window_->close();
        QCOMPARE(closes, 1);
        QVERIFY(!form_->visible());
        QVERIFY(!window_->isVisible());

        // A close handler that fails keeps the window open and says why.
        form_->show();
        QVERIFY(window_->isVisible());
        form_->on_close = [] { throw std::runtime_error("Unable to write to tln.tln"); };
        window_->close();
        QVERIFY(window_->isVisible());
        QCOMPARE(dialogs_->texts(forms::ScriptedDialogs::Kind::error),
                 std::vector<std::string>{"Unable to write to tln.tln"});
    }

    void qtMaskFollowsTheDesignedMask() {
        QCOMPARE(gui::qt_input_mask(forms::EditMask("!0.000;1;_")), QString("9.999;_"));
        QCOMPARE(gui::qt_input_mask(forms::EditMask("\\(99\\) LA;0; ")), QString("(00) AN; "));
        QCOMPARE(gui::qt_input_mask(forms::EditMask("")), QString());
    }
};

QTEST_MAIN(FormWindowTest)
#include "form_window_test.moc"
