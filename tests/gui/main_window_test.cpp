// The main window as the user meets it: typed readings recompute into the result cells on screen,
// the save button stores the survey, Ctrl+Q ends the program.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/gui_start.h"
#include "core/data/sqlite_database.h"
#include "core/forms/services.h"
#include "core/main_window/form1.h"
#include "support/temp_dir.h"

using namespace ijken;
using Kind = forms::ScriptedDialogs::Kind;

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Session {
        ijken::testing::TempDir dir;
        forms::ScriptedDialogs dialogs;
        survey::Form1 form{dir.dir(), dialogs};
        int quits = 0;
        std::unique_ptr<app::ProgramWindows> program = app::start_main_window(form, dialogs, [this] { ++quits; });
        gui::FormWindow* window = program->main.get();

        template <class W>
        W* widget(const char* name) {
            return qobject_cast<W*>(window->widget_for(name));
        }
        std::string stored(const std::string& column, int survey_id) {
            data::SQLiteDatabase db(dir.db_path());
            auto t =
                db.Query("select " + column + " from IJkOpnames where Opnameid=?", {std::int64_t{survey_id}});
            return t->RowCount() == 0 ? "<none>" : t->AsString(0);
        }
    };

  private slots:
    void typedReadingChangesTheResultCells() {
        Session s;
        QLineEdit* field = s.widget<QLineEdit>("ijk_bb_l_3");
        QLabel* total = s.widget<QLabel>("e01");
        QVERIFY(field && total);
        QCOMPARE(total->text(), QString("1200.0"));

        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, "210");
        QCOMPARE(field->text(), QString("210"));
        QCOMPARE(total->text(), QString("1210.0"));
        QCOMPARE(s.widget<QLabel>("e11")->text(), QString("201.7"));
        QVERIFY(s.widget<QPushButton>("sltb_save")->isEnabled());
        QVERIFY(s.dialogs.shown().empty());
    }

    void saveStoresTheSurvey() {
        Session s;
        QLineEdit* field = s.widget<QLineEdit>("Ontvanger_telefoon");
        field->setFocus();
        QTest::keyClicks(field, "010-1234567");
        QLineEdit* reading = s.widget<QLineEdit>("ijk_sb_v_5");
        reading->selectAll();
        QTest::keyClicks(reading, "21");

        QPushButton* save = s.widget<QPushButton>("sltb_save");
        QVERIFY(save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(s.dialogs.texts(Kind::information), std::vector<std::string>{"IJken opgeslagen"});
        QCOMPARE(s.stored("Ontvanger_Telefoon", 1), std::string("010-1234567"));
        QCOMPARE(s.stored("SBV_5", 1), std::string("21"));
        QVERIFY(!save->isEnabled());
    }

    void screenReadersFindTheControlsByWhatTheyMean() {
        Session s;
        QCOMPARE(s.widget<QLineEdit>("ijk_sb_v_2")->accessibleName(), QString("stuurboord vol 2"));
        QCOMPARE(s.widget<QLineEdit>("ZoutMaskEdit")->accessibleName(), QString("Correctie"));
        QCOMPARE(s.widget<QPushButton>("sltb_del")->accessibleName(), QString("Verwijderen"));
        auto* up_down = s.window->findChild<QWidget*>("updown_bb_l_1");
        QVERIFY(up_down);
        QCOMPARE(up_down->findChild<QWidget*>("updown_bb_l_1_up")->accessibleName(),
                 QString("bakboord leeg 1 hoger"));
        // A result cell: named by row and column, its value told as the description.
        QLabel* cell = s.widget<QLabel>("e32");
        QCOMPARE(cell->accessibleName(), QString("Tonnage, vol"));
        QCOMPARE(cell->accessibleDescription(), QString("328.172"));
        QCOMPARE(s.widget<QLabel>("e30")->accessibleDescription(), QString());
    }

    void controlQEndsTheProgram() {
        Session s;
        QAction* einde = s.window->action_for(s.form.get<forms::MenuItem>("Einde1"));
        QVERIFY(einde);
        QCOMPARE(einde->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        s.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.window));
        QTest::keyClick(s.window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(s.quits, 1);
    }

    void closingTheWindowEndsTheProgram() {
        Session s;
        s.window->close();
        QCOMPARE(s.quits, 1);
        QVERIFY(!s.form.visible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
