#pragma once
// The report: turns pages into one PDF document and writes it to a file. Idle until
// StartDocument opens a document; PrintPage adds a page for each call; EndDocument writes the file
// and closes the document.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/pdf/pdf_doc.h"
#include "core/pdf/pdf_outlines.h"
#include "core/pdf/pdf_output.h"
#include "core/report/pr_canvas.h"
#include "core/report/pr_page.h"

namespace ijken::report {

// An operation in a state that does not allow it, outside the PDF writer ("document is null..").
class InvalidOperation : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PReport {
  public:
    PReport();
    ~PReport();
    PReport(const PReport&) = delete;
    PReport& operator=(const PReport&) = delete;

    // ---- properties; those marked so raise PdfInvalidOperation while a document is open ----

    const std::string& FileName() const { return file_name_; }
    void SetFileName(std::string value) { file_name_ = std::move(value); }
    const std::string& Author() const { return author_; }
    void SetAuthor(std::string value);  // refused while open
    pdf::DateTime CreationDate() const { return creation_date_; }
    void SetCreationDate(pdf::DateTime value);  // refused while open
    const std::string& Creator() const { return creator_; }
    void SetCreator(std::string value);  // refused while open
    const std::string& Keywords() const { return keywords_; }
    void SetKeywords(std::string value);  // refused while open
    pdf::DateTime ModDate() const { return mod_date_; }
    void SetModDate(pdf::DateTime value);  // refused while open
    const std::string& Subject() const { return subject_; }
    void SetSubject(std::string value);  // refused while open
    const std::string& Title() const { return title_; }
    void SetTitle(std::string value);  // refused while open
    pdf::PdfPageLayout PageLayout() const { return page_layout_; }
    void SetPageLayout(pdf::PdfPageLayout value);  // refused while open
    pdf::PdfPageMode PageMode() const { return page_mode_; }
    void SetPageMode(pdf::PdfPageMode value);  // refused while open
    pdf::PdfPageMode NonFullScreenPageMode() const { return non_full_screen_page_mode_; }
    // Refused while open; pmFullScreen is kept as pmUseNone (full screen is no mode to return to).
    void SetNonFullScreenPageMode(pdf::PdfPageMode value);
    pdf::PdfCompressionMethod CompressionMethod() const { return compression_method_; }
    // Always accepted; applies from the next StartDocument.
    void SetCompressionMethod(pdf::PdfCompressionMethod value) { compression_method_ = value; }
    bool UseOutlines() const { return use_outlines_; }
    void SetUseOutlines(bool value);  // refused while open
    pdf::PdfViewerPreferences ViewerPreference() const { return viewer_preference_; }
    void SetViewerPreference(pdf::PdfViewerPreferences value);  // refused while open

    // The clock the documents take "now" from (the creation time they open with, the modification
    // time of saving). Golden files fix it.
    void SetClock(std::function<pdf::DateTime()> clock) { clock_ = std::move(clock); }

    // ---- printing ----

    // Opens a new document from the properties; an open one is discarded unwritten.
    void StartDocument();
    // Adds a page to the open document and prints page on it. Raises PdfInvalidOperation when no
    // document is open.
    void PrintPage(PRPage& page);
    // Writes the open document to FileName (created or replaced whole, through the file writer)
    // and closes it. Raises InvalidOperation "document is null.." when none is open. When the file
    // cannot be created or written, std::system_error ("Cannot create file \"...\"", "Cannot write
    // to file \"...\"") goes on to the caller, an existing file stays as it was, and the document
    // stays open until the next StartDocument or DiscardDocument.
    void EndDocument();
    // The same into a stream of the caller's instead of FileName.
    void EndDocument(pdf::OutputStream& out);
    // Closes the open document unwritten; nothing when none is open.
    void DiscardDocument();

    bool Printing() const { return doc_ != nullptr; }
    int PageCount() const { return page_count_; }
    // The canvas handed to the pages' Print.
    PRCanvas& Canvas() { return canvas_; }
    // The open document's outline root, while a document with outlines is open; else null.
    pdf::PdfOutlineRoot* OutlineRoot() const { return outline_root_; }

  private:
    void refuse_while_open(const char* setter) const;

    std::string file_name_ = "default.pdf";
    std::string author_;
    pdf::DateTime creation_date_;
    std::string creator_;
    std::string keywords_;
    pdf::DateTime mod_date_ = 0;
    std::string subject_;
    std::string title_;
    pdf::PdfPageLayout page_layout_ = pdf::PdfPageLayout::plSinglePage;
    pdf::PdfPageMode page_mode_ = pdf::PdfPageMode::pmUseNone;
    pdf::PdfPageMode non_full_screen_page_mode_ = pdf::PdfPageMode::pmUseNone;
    pdf::PdfCompressionMethod compression_method_ = pdf::PdfCompressionMethod::cmNone;
    bool use_outlines_ = false;
    pdf::PdfViewerPreferences viewer_preference_;
    std::function<pdf::DateTime()> clock_;

    std::unique_ptr<pdf::PdfDoc> doc_;
    pdf::PdfOutlineRoot* outline_root_ = nullptr;
    PRCanvas canvas_;
    int page_count_ = 0;
};

}  // namespace ijken::report
