#pragma once
// Printing on paper, as the forms use it: the window layer implements it with the platform's print
// dialog and printer; tests record what would have been printed.
#include <functional>
#include <string>
#include <vector>

#include "core/forms/painter.h"

namespace ijken::forms {

// One page to print: its size in points (1/72 inch) and what to draw on it, in points from the
// page's top left corner, y downward.
struct PrintJob {
    std::string title;  // the document's name in the print queue, Windows-1252
    int width = 0;
    int height = 0;
    std::function<void(Painter&)> paint;
};

class Printing {
  public:
    virtual ~Printing() = default;
    // Asks the user for a printer and prints the page at its true size. Returns false when the
    // user cancelled; throws with a message when printing failed.
    virtual bool print(const PrintJob& job) = 0;
};

// Prints every page onto a RecordingPainter, or answers as a cancelling user when told to.
class RecordingPrinting : public Printing {
  public:
    struct Printed {
        std::string title;
        int width = 0;
        int height = 0;
        std::vector<std::string> calls;
    };

    void cancel_next() { cancel_next_ = true; }
    bool print(const PrintJob& job) override {
        if (cancel_next_) {
            cancel_next_ = false;
            return false;
        }
        RecordingPainter painter;
        if (job.paint) job.paint(painter);
        printed_.push_back({job.title, job.width, job.height, painter.calls()});
        return true;
    }
    const std::vector<Printed>& printed() const { return printed_; }

  private:
    bool cancel_next_ = false;
    std::vector<Printed> printed_;
};

}  // namespace ijken::forms
