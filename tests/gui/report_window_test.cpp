// The report window as the user meets it: "Afdrukken" shows the page's preview in place of the
// main window, and "Printen..." prints the same page at its true size.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QScrollArea>
#include <QtTest>
#include <cstdio>

#include "app/gui_start.h"
#include "core/forms/printing.h"
#include "core/report/print_form.h"
#include "gui/qt_printing.h"
#include "support/temp_dir.h"

using namespace ijken;

namespace {

// Prints through Qt's own printing into a PDF file instead of asking for a printer.
struct PdfFilePrinting : forms::Printing {
    QString file;
    bool print(const forms::PrintJob& job) override {
        gui::QtPrinting().print_to_pdf(job, file);
        return true;
    }
};

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) output.append(buf, n);
    pclose(pipe);
    return output;
}

}  // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT

  private:
    struct Session {
        ijken::testing::TempDir dir;
        forms::ScriptedDialogs dialogs;
        PdfFilePrinting printing;
        survey::Form1 form{dir.dir(), dialogs};
        std::unique_ptr<app::ProgramWindows> program = start();
        report::Print_form* report = form.window<report::Print_form>();
        gui::FormWindow* window = report != nullptr ? program->window_of(*report) : nullptr;

        std::unique_ptr<app::ProgramWindows> start() {
            form.services.printing = &printing;
            return app::start_main_window(form, dialogs, [] {});
        }
        void trigger(forms::Form& f, const char* item) {
            gui::FormWindow* w = program->window_of(f);
            QAction* action = w->action_for(f.get<forms::MenuItem>(item));
            QVERIFY(action);
            action->trigger();
        }
    };

  private slots:
    void afdrukkenShowsThePreviewInsteadOfTheMainWindow() {
        Session s;
        QVERIFY(s.window);
        s.trigger(s.form, "Afdrukken1");
        QVERIFY(s.window->isVisible());
        QVERIFY(!s.program->main->isVisible());
        auto* area = qobject_cast<QScrollArea*>(s.window->widget_for("PRPage1"));
        QVERIFY(area);
        QCOMPARE(area->widget()->size(), QSize(546, 842));
        // The ship's name, bold and centred at the top, is drawn in dark pixels.
        const QImage sheet = area->widget()->grab().toImage();
        int dark = 0;
        for (int y = 16; y < 46; ++y) {
            for (int x = 200; x < 346; ++x) dark += qGray(sheet.pixel(x, y)) < 96 ? 1 : 0;
        }
        QVERIFY2(dark > 50, qPrintable(QString::number(dark)));
        s.trigger(*s.report, "Afsluiten1");
        QVERIFY(!s.window->isVisible());
        QVERIFY(s.program->main->isVisible());
        QVERIFY(s.dialogs.shown().empty());
    }

    void printenPrintsThePageAtItsTrueSize() {
        Session s;
        const QString file = QString::fromStdString((s.dir.path() / "printed.pdf").string());
        s.printing.file = file;
        s.trigger(s.form, "Afdrukken1");
        QAction* printen = s.window->action_for(s.report->get<forms::MenuItem>("Printen1"));
        QVERIFY(printen);
        QCOMPARE(printen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        printen->trigger();
        QVERIFY(s.dialogs.shown().empty());
        const std::string info = run("pdfinfo '" + file.toStdString() + "'");
        QVERIFY2(info.find("Page size:       546 x 842 pts") != std::string::npos, info.c_str());
        QVERIFY2(info.find("Pages:           1") != std::string::npos, info.c_str());
        const std::string text = run("pdftotext -layout '" + file.toStdString() + "' -");
        for (const char* expected :
             {"Dummy 1", "Meetbrief nummer : BR12345", ": Grain Coop 3", "328.172 Ton"}) {
            QVERIFY2(text.find(expected) != std::string::npos, (std::string(expected) + "\n" + text).c_str());
        }
    }
};

QTEST_MAIN(ReportWindowTest)
#include "report_window_test.moc"
