// The keys a skipper expects and what fields and lists show, as real windows: Return presses the
// focused button, Escape closes the about box and the survey list; a field the program fills
// shows its first character; the survey list opens wide enough for its figures and never cuts one.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>

#include "app/gui_start.h"
#include "core/about/aboutform.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/main_window/form1.h"
#include "core/main_window/survey_list_form.h"
#include "core/shipdata/schipinvoer.h"
#include "support/temp_dir.h"

using namespace ijken;

class KeysAndFieldsTest : public QObject {
    Q_OBJECT

  private:
    // The program started on a ship of the given interface language, with the German file beside it.
    struct Session {
        explicit Session(int ship_language, const std::string& party = {}) : language(ship_language), party(party) {}
        int language;
        std::string party;
        ijken::testing::TempDir dir;
        bool prepared = [this] {
            data::create_database_if_missing(dir.db_path());
            data::SQLiteDatabase db(dir.db_path());
            db.Execute("update Schiptable set taal=" + std::to_string(language));
            if (!party.empty())
                db.Execute("update IJkOpnames set Verlader_Naam=?, Ontvanger_Naam=?, Lading=?", {party, party, party});
            std::filesystem::copy_file(IJKEN_GERMAN_FILE, dir.path() / "tld.tln");
            return true;
        }();
        forms::ScriptedDialogs dialogs;
        survey::Form1 form{dir.dir(), dialogs};
        std::unique_ptr<app::ProgramWindows> program = app::start_main_window(form, dialogs, [] {});

        gui::FormWindow* window_of(const forms::Form* f) const { return program->window_of(*f); }
        void trigger(const char* item) { program->main->action_for(form.get<forms::MenuItem>(item))->trigger(); }
    };

    static void press(QWidget* w, Qt::Key key) {
        w->setFocus();
        QTest::keyClick(w, key);
    }

  private slots:
    void returnPressesTheFocusedButtonAndEscapeClosesAsTheCloseButtonDoes() {
        Session s(1);
        // The about box: Return on "Okee", then Escape, each closes it and brings the main window back.
        auto* about = s.window_of(s.form.window<about::Aboutform>());
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            s.trigger("cTarvik1");
            QVERIFY(QTest::qWaitForWindowExposed(about));
            press(about->widget_for("button1"), key);
            QVERIFY(!about->isVisible());
            QVERIFY(s.program->main->isVisible());
        }
        // The survey list: Escape from its list closes it.
        auto* list = s.window_of(s.form.window<survey::SurveyListForm>());
        s.trigger("Opnamelijst1");
        QVERIFY(QTest::qWaitForWindowExposed(list));
        press(list->widget_for("lijst"), Qt::Key_Escape);
        QVERIFY(!list->isVisible());
        // The ship window: Return on "Opslaan" saves, as a click does.
        auto* ship = s.window_of(s.form.window<shipdata::Schipinvoer>());
        s.trigger("ScheepsGegevens");
        QVERIFY(QTest::qWaitForWindowExposed(ship));
        press(ship->widget_for("opslaan"), Qt::Key_Return);
        QCOMPARE(s.dialogs.texts(forms::ScriptedDialogs::Kind::information),
                 std::vector<std::string>{"Scheepsgegevens opgeslagen"});
        QVERIFY(!ship->isVisible());
    }

    void aFieldTheProgramFillsShowsItsFirstCharacter_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("Dutch") << 1;
        QTest::newRow("French") << 2;
        QTest::newRow("German") << 3;
    }
    // A survey shown, and the program started again: a long party shows its beginning.
    void aFieldTheProgramFillsShowsItsFirstCharacter() {
        QFETCH(int, language);
        const std::string party = "Soci\xE9t\xE9 G\xE9n\xE9rale Stra\xDF" "e en Zonen";
        Session s(language, party);
        for (const char* field : {"Verlader_Naam", "Ontvanger_naam", "Lading"}) {
            auto* edit = qobject_cast<QLineEdit*>(s.program->main->widget_for(field));
            QVERIFY(edit);
            QCOMPARE(edit->cursorPosition(), 0);
        }
        forms::dispatch(s.dialogs, [&] { s.form.get<forms::Button>("sltb_prev").click(); });
        auto* edit = qobject_cast<QLineEdit*>(s.program->main->widget_for("Verlader_Naam"));
        QCOMPARE(edit->text().size(), QString::fromLatin1(party.c_str()).size());
        QCOMPARE(edit->cursorPosition(), 0);
    }

    void surveyListOpensWideEnoughAndNeverCutsAFigure_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("name_length");
        QTest::addColumn<int>("rows");
        QTest::newRow("German, 24 characters") << 3 << 24 << 2;
        QTest::newRow("French, 24 characters, rows to scroll") << 2 << 24 << 40;
        QTest::newRow("Dutch, longer than the screen") << 1 << 120 << 2;
    }
    // Ordinary long names in every column of text and the widest tonnages: the window grows up to
    // the screen's width; the date and the tonnage stay whole and in sight, and what must give way
    // is text, elided.
    void surveyListOpensWideEnoughAndNeverCutsAFigure() {
        QFETCH(int, language);
        QFETCH(int, name_length);
        QFETCH(int, rows);
        std::string name;
        while (static_cast<int>(name.size()) < name_length) name += "Verlader Maatschappij ";
        name.resize(static_cast<std::size_t>(name_length));
        Session s(language, name);
        auto* list_form = s.form.window<survey::SurveyListForm>();
        auto* window = s.window_of(list_form);
        s.trigger("Opnamelijst1");
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto& grid = list_form->get<forms::StringGrid>("lijst");
        std::vector<std::vector<std::string>> cells{{"2026-12-31 23:59", name, name, name, "97999.999"},
                                                    {"2026-12-30 08:00", name, name, name, "-99999.999"}};
        cells.resize(static_cast<std::size_t>(rows), cells[1]);
        forms::dispatch(s.dialogs, [&] { grid.set_rows(1, cells); });
        QTest::qWait(50);
        auto* table = qobject_cast<QTableWidget*>(window->widget_for("lijst"));
        const int screen = window->screen()->availableGeometry().width();
        QVERIFY(window->frameGeometry().width() <= screen + 1);
        int total = 0;
        for (int col = 0; col < table->columnCount(); ++col) total += table->columnWidth(col);
        QVERIFY2(total <= table->viewport()->width(),
                 qPrintable(QString("%1 px of columns in a %2 px view").arg(total).arg(table->viewport()->width())));
        const int margin = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        for (int row = 1; row <= 2; ++row) {
            for (int col : {0, 4}) {
                const QString figure = table->item(row, col)->text();
                QCOMPARE(table->fontMetrics().elidedText(figure, Qt::ElideRight, table->columnWidth(col) - margin),
                         figure);
            }
        }
        const QString header = table->horizontalHeaderItem(4)->text();
        QVERIFY(table->columnWidth(4) >= table->fontMetrics().horizontalAdvance(header) + margin);
        // Text gives way only where the screen allows no more.
        const bool elided = table->columnWidth(1) - margin < table->fontMetrics().horizontalAdvance(
                                                                  QString::fromLatin1(name.c_str()));
        QCOMPARE(elided, window->frameGeometry().width() >= screen - 20);
    }
};

QTEST_MAIN(KeysAndFieldsTest)
#include "keys_and_fields_test.moc"
