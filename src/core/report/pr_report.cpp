#include "core/report/pr_report.h"

#include <system_error>

#include "core/pdf/pdf_canvas.h"
#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_output.h"
#include "core/text/file_writer.h"

namespace ijken::report {

PReport::PReport() : creation_date_(pdf::now_local()), clock_(pdf::now_local) {}

PReport::~PReport() {
    DiscardDocument();
}

void PReport::refuse_while_open(const char* setter) const {
    if (doc_) throw pdf::PdfInvalidOperation(std::string(setter) + " --invalid operation.");
}

void PReport::SetAuthor(std::string value) {
    refuse_while_open("SetAuthor");
    author_ = std::move(value);
}
void PReport::SetCreationDate(pdf::DateTime value) {
    refuse_while_open("SetCreationDate");
    creation_date_ = value;
}
void PReport::SetCreator(std::string value) {
    refuse_while_open("SetCreator");
    creator_ = std::move(value);
}
void PReport::SetKeywords(std::string value) {
    refuse_while_open("SetKeyWords");
    keywords_ = std::move(value);
}
void PReport::SetModDate(pdf::DateTime value) {
    refuse_while_open("SetModDate");
    mod_date_ = value;
}
void PReport::SetSubject(std::string value) {
    refuse_while_open("SetSubject");
    subject_ = std::move(value);
}
void PReport::SetTitle(std::string value) {
    refuse_while_open("SetTitle");
    title_ = std::move(value);
}
void PReport::SetPageLayout(pdf::PdfPageLayout value) {
    refuse_while_open("SetPageLayout");
    page_layout_ = value;
}
void PReport::SetPageMode(pdf::PdfPageMode value) {
    refuse_while_open("SetPageMode");
    page_mode_ = value;
}
void PReport::SetNonFullScreenPageMode(pdf::PdfPageMode value) {
    refuse_while_open("SetNonFullScreenPageMode");
    non_full_screen_page_mode_ =
        value == pdf::PdfPageMode::pmFullScreen ? pdf::PdfPageMode::pmUseNone : value;
}
void PReport::SetUseOutlines(bool value) {
    refuse_while_open("SetUseOutlines");
    use_outlines_ = value;
}
void PReport::SetViewerPreference(pdf::PdfViewerPreferences value) {
    refuse_while_open("SetViewerPreference");
    viewer_preference_ = value;
}

void PReport::StartDocument() {
    DiscardDocument();
    auto doc = std::make_unique<pdf::PdfDoc>();
    doc->SetClock(clock_);
    doc->SetUseOutlines(use_outlines_);
    doc->SetCompressionMethod(compression_method_);
    doc->BeginDocument();
    pdf::PdfOutlineRoot* outline_root = use_outlines_ ? &doc->GetOutlineRoot() : nullptr;

    pdf::PdfCatalog& catalog = doc->GetRoot();
    catalog.SetPageMode(page_mode_);
    catalog.SetPageLayout(page_layout_);
    if (non_full_screen_page_mode_ != pdf::PdfPageMode::pmUseNone) {
        catalog.SetNonFullScreenPageMode(non_full_screen_page_mode_);
    }
    if (!viewer_preference_.empty()) catalog.SetViewerPreference(viewer_preference_);

    pdf::PdfInfo& info = doc->GetInfo();
    info.SetAuthor(author_);
    info.SetCreationDate(creation_date_);
    info.SetCreator(creator_);
    info.SetKeywords(keywords_);
    info.SetModDate(mod_date_);
    info.SetSubject(subject_);
    info.SetTitle(title_);

    doc_ = std::move(doc);
    outline_root_ = outline_root;
    page_count_ = 0;
}

void PReport::PrintPage(PRPage& page) {
    if (!doc_) throw pdf::PdfInvalidOperation("PrintPage --document is null..");
    doc_->AddPage();
    ++page_count_;
    canvas_.SetPdfCanvas(&doc_->GetCanvas());
    page.Print(canvas_);
}

void PReport::EndDocument(pdf::OutputStream& out) {
    if (!doc_) throw InvalidOperation("document is null..");
    doc_->SaveToStream(out);
    DiscardDocument();
}

void PReport::EndDocument() {
    if (!doc_) throw InvalidOperation("document is null..");
    // The file is replaced whole or not at all: half a PDF is of no use and would only be mistaken
    // for the report. A report is made again from the database at will: the rename is left to the
    // file system's next commit rather than waited for (see text::Flush).
    pdf::MemoryStream bytes;
    doc_->SaveToStream(bytes);
    try {
        text::replace_file(file_name_, bytes.data(), text::Flush::file);
    } catch (const text::FileWriteError& e) {
        const char* what = e.step() == text::FileWriteError::Step::create ? "Cannot create file"
                                                                            : "Cannot write to file";
        throw std::system_error(e.error(), std::generic_category(), std::string(what) + " \"" + file_name_ + "\"");
    }
    DiscardDocument();
}

void PReport::DiscardDocument() {
    canvas_.SetPdfCanvas(nullptr);
    outline_root_ = nullptr;
    doc_.reset();
}

}  // namespace ijken::report
