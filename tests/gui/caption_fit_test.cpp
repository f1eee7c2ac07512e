// What a skipper reads on the screen, in Dutch, French and German: no caption wider than its
// control, no figure cut short in a result cell or the survey list, and the keyboard entering a
// radio group where its choice is.
#include "gui/caption_fit.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>

#include "app/gui_start.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/main_window/form1.h"
#include "core/main_window/survey_list_form.h"
#include "core/shipdata/schipinvoer.h"
#include "support/temp_dir.h"

using namespace ijken;

namespace {

int widest(const QString& text, const QFontMetrics& metrics) {
    int w = 0;
    for (const QString& line : text.split('\n')) w = std::max(w, metrics.horizontalAdvance(line));
    return w;
}

// Where a label's text stands (its alignment within its box).
QRect ink(const QLabel* label) {
    const QRect g = label->geometry();
    const int w = std::min(g.width(), widest(label->text(), label->fontMetrics()));
    const Qt::Alignment a = label->alignment();
    const int x = a & Qt::AlignRight ? g.right() + 1 - w : a & Qt::AlignHCenter ? g.x() + (g.width() - w) / 2 : g.x();
    return label->text().isEmpty() ? QRect() : QRect(x, g.y(), w, g.height());
}

// Every caption of the window that is wider than its control or covers another's text or box (an
// elided label must carry its whole text in its tooltip); buttons and group titles with the room
// their frame and mark take.
QStringList cut_captions(QWidget* window) {
    QStringList cut;
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(window) || l->text().isEmpty()) continue;
        if (widest(l->text(), l->fontMetrics()) > l->width()) cut << l->objectName() + " \"" + l->text() + "\"";
        if (gui::caption_elided(l) && !l->toolTip().contains(l->accessibleName()) &&
            !l->toolTip().contains(l->accessibleDescription()))
            cut << l->objectName() + " elided without its whole text";
        for (auto* other : l->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            auto* other_label = qobject_cast<QLabel*>(other);
            const QRect theirs = other_label != nullptr ? ink(other_label) : other->geometry();
            if (other != l && other->isVisibleTo(window) && ink(l).intersects(theirs))
                cut << l->objectName() + " covers " + other->objectName();
        }
    }
    for (QWidget* w : window->findChildren<QWidget*>()) {
        auto* button = qobject_cast<QAbstractButton*>(w);
        auto* group = qobject_cast<QGroupBox*>(w);
        QString text = button != nullptr ? button->text() : group != nullptr ? group->title() : QString();
        text.remove(QRegularExpression("&(?!&)"));
        const int slack = qobject_cast<QRadioButton*>(w) != nullptr ? 22 : group != nullptr ? 12 : 6;
        if (w->isVisibleTo(window) && w->fontMetrics().horizontalAdvance(text) + slack > w->width())
            cut << w->objectName() + " \"" + text + "\"";
    }
    return cut;
}

}  // namespace

class CaptionFitTest : public QObject {
    Q_OBJECT

  private:
    // The program started on a ship of the given interface language, with the German file beside it.
    struct Session {
        explicit Session(int ship_language) : language(ship_language) {}
        int language;
        ijken::testing::TempDir dir;
        bool prepared = [this] {
            data::create_database_if_missing(dir.db_path());
            data::SQLiteDatabase db(dir.db_path());
            db.Execute("update Schiptable set taal=" + std::to_string(language));
            std::filesystem::copy_file(IJKEN_GERMAN_FILE, dir.path() / "tld.tln");
            return true;
        }();
        forms::ScriptedDialogs dialogs;
        survey::Form1 form{dir.dir(), dialogs};
        std::unique_ptr<app::ProgramWindows> program = app::start_main_window(form, dialogs, [] {});
        gui::FormWindow* main = program->main.get();

        std::vector<gui::FormWindow*> windows() const {
            std::vector<gui::FormWindow*> all{main};
            for (const auto& w : program->others) all.push_back(w.get());
            return all;
        }
    };

  private slots:
    void noCaptionIsWiderThanItsControlInAnyLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("Dutch") << 1;
        QTest::newRow("French") << 2;
        QTest::newRow("German") << 3;
    }
    // Every window, with the warnings strip at its longest and the result cells at the widest
    // figures the computation gives for readings up to 9999.9 cm and tonnages up to 99,999.999 t:
    // the figures whole (for a screen reader too), no caption cut or covering another.
    void noCaptionIsWiderThanItsControlInAnyLanguage() {
        QFETCH(int, language);
        Session s(language);
        QCOMPARE(s.form.session().taal().ActiveTaalFile(), language);
        for (const char* name : {"ijk_bb_l_1", "ijk_sb_l_2", "ijk_bb_v_1", "ijk_sb_v_2"})
            s.form.get<forms::Edit>(name).set_text("999");
        QVERIFY(s.form.get<forms::Label>("LabelWaarschuwing").visible());
        const std::pair<const char*, const char*> widest_figures[] = {
            {"e01", "-49999.5"},  {"e02", "-49999.5"},  {"e11", "-9999.9"},   {"e12", "-9999.9"},
            {"e21", "-9999.9"},   {"e22", "-9999.9"},   {"e31", "99999.999"}, {"e32", "99999.999"},
            {"e42", "-99999.999"}, {"e52", "-999989.999"},
        };
        for (const auto& [cell, figure] : widest_figures) s.form.get<forms::Label>(cell).set_caption(figure);
        for (gui::FormWindow* w : s.windows()) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            const QStringList cut = cut_captions(w);
            QVERIFY2(cut.isEmpty(), qPrintable(w->objectName() + ": " + cut.join(", ")));
            w->hide();
        }
        for (const auto& [cell, figure] : widest_figures) {
            auto* label = qobject_cast<QLabel*>(s.main->widget_for(cell));
            QCOMPARE(label->text(), QString(figure));
            QCOMPARE(label->accessibleDescription(), QString(figure));
        }
    }

    void surveyListCellsGrowToTheirFigures() {
        Session s(2);
        auto* list_window = s.form.window<survey::SurveyListForm>();
        forms::dispatch(s.dialogs, [&] { list_window->open(); });
        auto& grid = list_window->get<forms::StringGrid>("lijst");
        grid.set_row(1, {"2026-12-31 23:59", "Coop\xE9rative agricole de la Somme et du Pas-de-Calais", "Ontvanger",
                         "Marchandises diverses en vrac", "-99999.999"});
        auto* table = qobject_cast<QTableWidget*>(s.program->window_of(*list_window)->widget_for("lijst"));
        const int margin = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        // Text gives way only where the screen leaves no more room; a figure never does.
        auto* window = s.program->window_of(*list_window);
        const bool at_screen_width =
            window->frameGeometry().width() >= window->screen()->availableGeometry().width() - 20;
        for (int col = 0; col < table->columnCount(); ++col) {
            const QString text = table->item(1, col)->text();
            if (col != 0 && col != 4 && at_screen_width) continue;
            QCOMPARE(table->fontMetrics().elidedText(text, Qt::ElideRight, table->columnWidth(col) - margin), text);
            QVERIFY(table->columnWidth(col) >= grid.col_width(col));
        }
    }

    // Tab enters the gauge-point count on the checked button, from either side, and leaves it.
    void tabEntersARadioGroupOnItsCheckedButton() {
        Session s(1);
        auto* ship = s.form.window<shipdata::Schipinvoer>();
        forms::dispatch(s.dialogs, [&] { s.form.get<forms::MenuItem>("ScheepsGegevens").click(); });
        gui::FormWindow* window = s.program->window_of(*ship);
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* checked = window->findChild<QRadioButton*>("aantal_ijken_2");
        QVERIFY(checked && checked->isChecked());
        auto* before = window->widget_for("naam_veld");
        auto* after = window->widget_for("veld1");
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), checked);
        // The arrows move the choice; Tab then leaves the group, and Backtab comes back to the new one.
        QTest::keyClick(checked, Qt::Key_Right);
        auto* four = window->findChild<QRadioButton*>("aantal_ijken_3");
        QVERIFY(four->isChecked());
        QCOMPARE(QApplication::focusWidget(), four);
        QTest::keyClick(four, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), after);
        QTest::keyClick(after, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), four);
    }
};

QTEST_MAIN(CaptionFitTest)
#include "caption_fit_test.moc"
