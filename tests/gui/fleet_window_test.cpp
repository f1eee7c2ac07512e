// The fleet windows as the user meets them: start-up creates every window hidden and shows the
// main one, also after a failing start; the gauge table's grids take typing and pasting; the ships
// menu switches ships.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "app/gui_start.h"
#include "core/forms/services.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "core/main_window/form1.h"
#include "gui/string_grid_binder.h"
#include "support/temp_dir.h"

using namespace ijken;
using Kind = forms::ScriptedDialogs::Kind;

class FleetWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Session {
        explicit Session(std::string program_dir = {})
            : form(program_dir.empty() ? dir.dir() : program_dir, dialogs),
              program(app::start_main_window(form, dialogs, [] {})) {}
        ijken::testing::TempDir dir;
        forms::ScriptedDialogs dialogs;
        survey::Form1 form;
        std::unique_ptr<app::ProgramWindows> program;

        gui::FormWindow* window_of(forms::Form& f) { return program->window_of(f); }
        void trigger(const char* menu_item) {
            QAction* action = program->main->action_for(form.get<forms::MenuItem>(menu_item));
            QVERIFY(action);
            action->trigger();
        }
    };

  private slots:
    void startUpCreatesTheOtherWindowsHiddenThenShowsTheMainWindow() {
        for (bool broken : {false, true}) {
            ijken::testing::TempDir elsewhere;
            // A program directory that does not exist: the database cannot be created.
            Session s(broken ? (elsewhere.path() / "weg").string() + "/" : std::string());
            QCOMPARE(s.dialogs.texts(Kind::error).size(), broken ? 1u : 0u);
            // Gauge table, report, ship particulars, about box, language editor, survey list.
            QCOMPARE(s.form.windows().size(), 6u);
            QCOMPARE(s.form.windows()[0].section, std::string("ijkeninvoer"));
            QCOMPARE(s.form.windows()[1].section, std::string("print"));
            QCOMPARE(s.form.windows()[2].section, std::string("schipinvoer"));
            QCOMPARE(s.form.windows()[5].section, std::string("opnamelijst"));
            QCOMPARE(s.program->others.size(), 6u);
            for (const auto& w : s.program->others) QVERIFY(!w->isVisible());
            QVERIFY(s.program->main->isVisible());
            QCOMPARE(s.form.get<forms::Label>("e00").caption(), std::string("Totaal"));
        }
    }

    void gaugeGridsTakeTypingAndAPastedColumn() {
        Session s;
        s.trigger("Invoer1");
        auto* ijk = s.form.window<shipdata::Ijkeninvoerform>();
        gui::FormWindow* w = s.window_of(*ijk);
        QVERIFY(w->isVisible());
        QVERIFY(!s.program->main->isVisible());

        QTest::mouseClick(qobject_cast<QPushButton*>(w->widget_for("maakdm_tabel")), Qt::LeftButton);
        auto* dm = qobject_cast<QTableWidget*>(w->widget_for("dmklad"));
        QVERIFY(dm);
        QCOMPARE(dm->rowCount(), 23);  // 50, 60, ..., 250, 251 and the header row
        QCOMPARE(dm->item(1, 0)->text(), QString("50"));
        QVERIFY(!(dm->item(1, 0)->flags() & Qt::ItemIsEditable));
        QVERIFY(dm->item(1, 1)->flags() & Qt::ItemIsEditable);

        QApplication::clipboard()->setText("0\r\n17.416\r\n34.969\r\n");
        dm->setFocus();
        dm->setCurrentCell(1, 1);
        QTest::keyClick(dm, Qt::Key_V, Qt::ControlModifier);
        auto& grid = ijk->get<forms::StringGrid>("dmklad");
        QCOMPARE(grid.cell(1, 2), std::string("17.416"));
        QCOMPARE(grid.cell(1, 3), std::string("34.969"));
        QCOMPARE(dm->item(3, 1)->text(), QString("34.969"));

        // Typing a cell (the editor commits its text) reaches the core; a character Windows-1252
        // cannot hold is refused with a message and the cell shows the core's text again.
        dm->item(4, 1)->setText("52,662");
        QCOMPARE(grid.cell(1, 4), std::string("52,662"));
        dm->item(4, 1)->setText(QString::fromUtf8("52\u20AC\u0151"));
        QCOMPARE(grid.cell(1, 4), std::string("52,662"));
        QCOMPARE(dm->item(4, 1)->text(), QString("52,662"));
        QCOMPARE(s.dialogs.texts(Kind::error).size(), 1u);

        // Delete empties the selected cells.
        dm->setCurrentCell(2, 1);
        QTest::keyClick(dm, Qt::Key_Delete);
        QCOMPARE(grid.cell(1, 2), std::string());

        // The core's writes reach the centimetre grid.
        grid.set_cell(1, 2, "17.416");
        for (int r = 5; r < grid.row_count(); ++r) grid.edit(1, r, std::to_string(r * 17));
        QTest::mouseClick(qobject_cast<QPushButton*>(w->widget_for("button1")), Qt::LeftButton);
        auto* cm = qobject_cast<QTableWidget*>(w->widget_for("ijkengrid"));
        QCOMPARE(cm->rowCount(), 253);
        QCOMPARE(cm->item(52, 1)->text(), QString("1.742"));

        QTest::mouseClick(qobject_cast<QPushButton*>(w->widget_for("afsluiten")), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QVERIFY(s.program->main->isVisible());
    }

    void shipsMenuSwitchesTheShip() {
        Session s;
        QMenu* menu = s.program->main->menu_for(s.form.get<forms::MenuItem>("Wijzigen1"));
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 5);
        QVERIFY(menu->actions()[0]->isChecked());
        menu->actions()[2]->trigger();
        QCOMPARE(s.form.session().survey().SchipID, 3);
        menu = s.program->main->menu_for(s.form.get<forms::MenuItem>("Wijzigen1"));
        QVERIFY(!menu->actions()[0]->isChecked());
        QVERIFY(menu->actions()[2]->isChecked());
        QCOMPARE(qobject_cast<QLabel*>(s.program->main->widget_for("LabelNaam"))->text(), QString("Dummy 3"));
    }
};

QTEST_MAIN(FleetWindowTest)
#include "fleet_window_test.moc"
