#include "gui/qt_printing.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <stdexcept>

#include "gui/qt_painter.h"
#include "gui/qt_text.h"

namespace ijken::gui {

void QtPrinting::prepare(QPrinter& printer, const forms::PrintJob& job) {
    printer.setDocName(to_qt(job.title));
    const QPageSize size(QSizeF(job.width, job.height), QPageSize::Point, QString(), QPageSize::ExactMatch);
    printer.setPageLayout(
        QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    // Coordinates from the sheet's corner, as the page was laid out; a printer that cannot reach
    // its edges leaves them blank rather than shifting the page.
    printer.setFullPage(true);
}

void QtPrinting::paint(QPrinter& printer, const forms::PrintJob& job) {
    QPainter painter;
    if (!painter.begin(&printer)) throw std::runtime_error("De printer kan niet afdrukken");
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // One unit of the page is one point.
    const double scale = printer.resolution() / 72.0;
    painter.scale(scale, scale);
    QtPainter adapter(painter);
    try {
        if (job.paint) job.paint(adapter);
    } catch (...) {
        printer.abort();
        painter.end();
        throw;
    }
    if (!painter.end()) throw std::runtime_error("De printer kan niet afdrukken");
}

bool QtPrinting::print(const forms::PrintJob& job) {
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer, job);
    QPrintDialog dialog(&printer, parent_);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) return false;
    // The dialog may have chosen another paper; the page keeps its own size.
    prepare(printer, job);
    paint(printer, job);
    return true;
}

void QtPrinting::print_to_pdf(const forms::PrintJob& job, const QString& file) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    prepare(printer, job);
    paint(printer, job);
}

}  // namespace ijken::gui
