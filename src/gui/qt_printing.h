#pragma once
#include <QString>
#include <QWidget>

#include "core/forms/printing.h"

class QPrinter;

namespace ijken::gui {

// Printing through Qt: the platform's print dialog, then the page painted at its true size (one
// unit one point) through a QtPainter.
class QtPrinting : public forms::Printing {
  public:
    void set_parent(QWidget* parent) { parent_ = parent; }

    bool print(const forms::PrintJob& job) override;

    // Prints the job into a PDF file, without a dialog.
    void print_to_pdf(const forms::PrintJob& job, const QString& file);

    // Sets up a printer for the job's page: its size in points, no margins.
    static void prepare(QPrinter& printer, const forms::PrintJob& job);
    // Paints the job on the printer that prepare set up. Throws when the printer cannot be drawn on.
    static void paint(QPrinter& printer, const forms::PrintJob& job);

  private:
    QWidget* parent_ = nullptr;
};

}  // namespace ijken::gui
