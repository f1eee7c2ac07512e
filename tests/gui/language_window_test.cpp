// The interface languages on screen: switching to French relabels the window at once, a French
// ship starts in French, and an edit in the language editor shows when the user returns to the
// main window.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include "app/gui_start.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/lang/editor.h"
#include "core/main_window/form1.h"
#include "core/main_window/survey_list_form.h"
#include "support/temp_dir.h"

using namespace ijken;
using Kind = forms::ScriptedDialogs::Kind;

namespace {

// Types text as key events carrying the characters, accented ones included.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

}  // namespace

class LanguageWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Session {
        explicit Session(int ship_language = 1) : language(ship_language) {}
        int language;
        ijken::testing::TempDir dir;
        // The database exists with the ship's language before the program starts.
        bool prepared = [this] {
            data::create_database_if_missing(dir.db_path());
            data::SQLiteDatabase db(dir.db_path());
            db.Execute("update Schiptable set taal=" + std::to_string(language) + " where SchipID=1");
            return true;
        }();
        forms::ScriptedDialogs dialogs;
        survey::Form1 form{dir.dir(), dialogs};
        std::unique_ptr<app::ProgramWindows> program = app::start_main_window(form, dialogs, [] {});
        gui::FormWindow* main = program->main.get();
        gui::FormWindow* editor = program->window_of(*form.window<lang::Editor>());

        template <class W>
        W* widget(const char* name) {
            return qobject_cast<W*>(main->widget_for(name));
        }
        QString action_text(const char* item) {
            return main->action_for(form.get<forms::MenuItem>(item))->text();
        }
        QStringList radio_texts() {
            QStringList texts;
            for (auto* b : widget<QGroupBox>("TaalKeuze")->findChildren<QRadioButton*>()) texts << b->text();
            return texts;
        }
    };

    static void activate(QWidget* window) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

  private slots:
    void frenchChangesEveryTextOnScreenAtOnce() {
        Session s;
        QCOMPARE(s.main->windowTitle(), QString("IJken"));
        s.main->action_for(s.form.get<forms::MenuItem>("FR1"))->trigger();

        QCOMPARE(s.main->windowTitle(), QString("Echelles"));
        QCOMPARE(s.widget<QGroupBox>("GroupBox1")->title(), QString("Chargement"));
        QCOMPARE(s.widget<QGroupBox>("TaalKeuze")->title(), QString::fromUtf8("Langue à imprimer"));
        QCOMPARE(s.radio_texts(), QStringList({QString::fromUtf8("Néerlandais"),
                                               QString::fromUtf8("Français"), QString("Allemand")}));
        QCOMPARE(s.widget<QPushButton>("sltb_prev")->toolTip(), QString::fromUtf8("Précédent"));
        QCOMPARE(s.widget<QLabel>("e50")->text(), QString::fromUtf8("Correction Eau salé"));
        QCOMPARE(s.main->findChild<QLabel*>("Verlader_telefoon_label")->text(), QString::fromUtf8("Tél."));
        QCOMPARE(s.action_text("Schepen"), QString("&Bateaux"));
        QCOMPARE(s.action_text("Afdrukken1"), QString("&Imprimer"));

        s.main->action_for(s.form.get<forms::MenuItem>("NL1"))->trigger();
        QCOMPARE(s.main->windowTitle(), QString("IJken"));
        QCOMPARE(s.widget<QGroupBox>("GroupBox1")->title(), QString("Lading"));
        QCOMPARE(s.radio_texts(), QStringList({"Nederlands", "Frans", "Duits"}));
        QVERIFY(s.dialogs.shown().empty());
    }

    void qtsOwnTextsAndTheSurveyListFollowTheLanguage() {
        Session s;
        auto no = [] { return QCoreApplication::translate("QPlatformTheme", "&No"); };
        QCOMPARE(no(), QString("&Nee"));
        s.main->action_for(s.form.get<forms::MenuItem>("FR1"))->trigger();
        QCOMPARE(no(), QString("&Non"));
        QVERIFY(QCoreApplication::translate("QFileDialog", "Save As").startsWith("Enregistrer"));

        // The list marks its sort column with the header's own indicator, in French.
        s.main->action_for(s.form.get<forms::MenuItem>("Opnamelijst1"))->trigger();
        auto* list_window = s.form.window<survey::SurveyListForm>();
        auto* table = qobject_cast<QTableWidget*>(s.program->window_of(*list_window)->widget_for("lijst"));
        QVERIFY(table != nullptr);
        QHeaderView* header = table->horizontalHeader();
        QVERIFY(header->isVisibleTo(table) && header->isSortIndicatorShown());
        QVERIFY(table->isRowHidden(0));
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("Date"));
        QCOMPARE(header->sortIndicatorSection(), 0);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QCOMPARE(list_window->sort_column(), 1);
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

        s.main->action_for(s.form.get<forms::MenuItem>("NL1"))->trigger();
        QCOMPARE(no(), QString("&Nee"));
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("Datum"));
        QVERIFY(s.dialogs.shown().empty());
    }

    void aFrenchShipStartsInFrench() {
        Session s(2);
        QCOMPARE(s.main->windowTitle(), QString("Echelles"));
        QCOMPARE(s.action_text("Einde1"), QString("&Terminer"));
    }

    void anEditInTheEditorShowsWhenTheUserReturns() {
        Session s;
        QVERIFY(s.editor != nullptr);
        QVERIFY(!s.editor->isVisible());
        QVERIFY(forms::dispatch(s.dialogs, [&] { s.form.taaleditor1Click(); }));
        QVERIFY(s.editor->isVisible());
        QVERIFY(s.main->isVisible());
        QCOMPARE(s.editor->windowTitle(), QString("Drem taal Editor"));

        activate(s.editor);
        auto* memo = qobject_cast<QPlainTextEdit*>(s.editor->widget_for("Memo1"));
        QVERIFY(memo != nullptr);
        QVERIFY(memo->toPlainText().startsWith("[form1]\nform1.caption=IJken\n"));

        // The user replaces "Correctie" with "Zoutfactor" on its line.
        QTextCursor cursor = memo->document()->find("Label8.caption=Correctie");
        QVERIFY(!cursor.isNull());
        cursor.setPosition(cursor.selectionEnd() - 9);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        memo->setTextCursor(cursor);
        memo->setFocus();
        type(memo, QString::fromUtf8("Zoutfactor é"));
        // A character Windows-1252 cannot hold is refused with a message.
        type(memo, QString::fromUtf8("Ł"));
        QCoreApplication::processEvents();
        QCOMPARE(s.dialogs.texts(Kind::error).size(), std::size_t{1});
        QVERIFY(!memo->toPlainText().contains(QString::fromUtf8("Ł")));

        activate(s.main);
        QCOMPARE(s.widget<QLabel>("Label8")->text(), QString::fromUtf8("Zoutfactor é"));
        QFile file(QString::fromStdString(s.dir.dir() + "tln.tln"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\r\nLabel8.caption=Zoutfactor \xE9\r\n"));
    }

    void theMemoFollowsTheEditorsSize() {
        Session s;
        QVERIFY(forms::dispatch(s.dialogs, [&] { s.form.taaleditor1Click(); }));
        QVERIFY(QTest::qWaitForWindowExposed(s.editor));
        s.editor->resize(420, 300);
        QTRY_COMPARE(s.editor->client()->size(), QSize(420, 300));
        QCOMPARE(s.editor->widget_for("Memo1")->geometry(), QRect(0, 0, 415, 295));
        const forms::Rect r = s.form.window<lang::Editor>()->geometry();
        QCOMPARE(QSize(r.w, r.h),
                 QSize(420 + gui::FormWindow::frame_width, 300 + gui::FormWindow::frame_height));
    }
};

QTEST_MAIN(LanguageWindowTest)
#include "language_window_test.moc"
