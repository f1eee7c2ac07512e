#pragma once
// The document: the fixed skeleton of a PDF file (catalog, information dictionary, one page-tree
// node, pages with their resources and contents) and its serialisation as a PDF 1.2 file with a
// classic cross-reference table.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/pdf/pdf_objects.h"
#include "core/pdf/pdf_output.h"

namespace ijken::pdf {

class PdfCanvas;
class PdfFont;
class PdfOutlineRoot;
class PdfDestination;

enum class PdfPageLayout : std::uint8_t { plSinglePage, plOneColumn, plTwoColumnLeft, plTwoColumnRight };
enum class PdfPageMode : std::uint8_t { pmUseNone, pmUseOutlines, pmUseThumbs, pmFullScreen };
enum class PdfViewerPreference : std::uint8_t {
    vpHideToolbar,
    vpHideMenubar,
    vpHideWindowUI,
    vpFitWindow,
    vpCenterWindow
};
enum class PdfCompressionMethod : std::uint8_t { cmNone, cmFlateDecode };

// A set of viewer preferences.
class PdfViewerPreferences {
public:
    PdfViewerPreferences() = default;
    PdfViewerPreferences(std::initializer_list<PdfViewerPreference> items) {
        for (auto p : items) bits_ |= bit(p);
    }
    bool contains(PdfViewerPreference p) const { return (bits_ & bit(p)) != 0; }
    bool empty() const { return bits_ == 0; }
    bool operator==(const PdfViewerPreferences&) const = default;

private:
    static unsigned bit(PdfViewerPreference p) { return 1u << static_cast<unsigned>(p); }
    unsigned bits_ = 0;
};

// A date-time as the program keeps it: days since 30 December 1899 00:00 local time, the fraction
// being the time of day.
using DateTime = double;

// The present moment, local time, as a DateTime.
DateTime now_local();
// "D:YYYYMMDDHHMMSS" for a DateTime; no time zone.
std::string format_pdf_date(DateTime value);

// Writes "%PDF-1.2 " and CR LF.
class PdfHeader {
public:
    void WriteToStream(OutputStream& out) const;
};

// The trailer dictionary ("Size" first, then "Root" and "Info") and the offset of the table.
class PdfTrailer {
public:
    explicit PdfTrailer(PdfObjectMgr* object_mgr);
    PdfDictionary& Attributes() { return *attributes_; }
    std::int64_t XrefAddress() const { return xref_address_; }
    void SetXrefAddress(std::int64_t address) { xref_address_ = address; }
    void WriteToStream(OutputStream& out);

private:
    std::unique_ptr<PdfDictionary> attributes_;
    std::int64_t xref_address_ = 0;
};

// Typed access to one dictionary that it does not own.
class PdfDictionaryWrapper {
public:
    virtual ~PdfDictionaryWrapper() = default;
    virtual void SetData(PdfDictionary* data) { data_ = data; }
    PdfDictionary* Data() const { return data_; }
    bool HasData() const { return data_ != nullptr; }

private:
    PdfDictionary* data_ = nullptr;
};

class PdfCatalog : public PdfDictionaryWrapper {
public:
    ~PdfCatalog() override;
    // "Pages" -> the dictionary, only when it is a page-tree node.
    void SetPages(PdfDictionary& pages);
    void SetPageLayout(PdfPageLayout layout);
    void SetPageMode(PdfPageMode mode);
    void SetNonFullScreenPageMode(PdfPageMode mode);
    void SetViewerPreference(PdfViewerPreferences preferences);
    // The destination shown when the file opens; applied when the document is saved.
    void SetOpenAction(std::unique_ptr<PdfDestination> destination);
    PdfDestination* OpenAction() const { return open_action_.get(); }
    void SaveOpenAction();

private:
    void put_name_in_place(std::string_view key, std::string_view name);
    std::unique_ptr<PdfDestination> open_action_;
};

class PdfInfo : public PdfDictionaryWrapper {
public:
    void SetAuthor(std::string_view value) { put_text("Author", value); }
    void SetCreator(std::string_view value) { put_text("Creator", value); }
    void SetTitle(std::string_view value) { put_text("Title", value); }
    void SetSubject(std::string_view value) { put_text("Subject", value); }
    void SetKeywords(std::string_view value) { put_text("Keywords", value); }
    void SetCreationDate(DateTime value) { put_text("CreationDate", format_pdf_date(value)); }
    void SetModDate(DateTime value) { put_text("ModDate", format_pdf_date(value)); }

private:
    void put_text(std::string_view key, std::string_view value);
};

class PdfDoc {
public:
    PdfDoc();
    ~PdfDoc();
    PdfDoc(const PdfDoc&) = delete;
    PdfDoc& operator=(const PdfDoc&) = delete;

    void BeginDocument();
    void AddPage();
    // A document with one page whose canvas writes nothing: for measuring text.
    PdfCanvas& BeginMeasuringDocument();
    void SaveToStream(OutputStream& out);
    void ReleaseDocument();

    PdfCanvas& GetCanvas();
    PdfInfo& GetInfo();
    PdfCatalog& GetRoot();
    PdfOutlineRoot& GetOutlineRoot();
    // The font registered under that name, made on first use.
    PdfFont& GetFont(std::string_view name);

    bool IsOpen() const { return is_open_; }
    std::uint16_t DefaultPageWidth() const { return default_page_width_; }
    void SetDefaultPageWidth(std::uint16_t value) { default_page_width_ = value; }
    std::uint16_t DefaultPageHeight() const { return default_page_height_; }
    void SetDefaultPageHeight(std::uint16_t value) { default_page_height_ = value; }
    PdfCompressionMethod CompressionMethod() const { return compression_method_; }
    void SetCompressionMethod(PdfCompressionMethod value) { compression_method_ = value; }
    bool UseOutlines() const { return use_outlines_; }
    void SetUseOutlines(bool value) { use_outlines_ = value; }

    // The clock behind "CreationDate" and "ModDate"; tests and golden files fix it.
    void SetClock(std::function<DateTime()> clock) { clock_ = std::move(clock); }

    // The cross-reference table of the open document (nullptr when none is open).
    PdfXref* ObjectMgr() const { return xref_.get(); }
    PdfTrailer* Trailer() const { return trailer_.get(); }
    PdfDictionary* CurrentPages() const { return current_pages_; }

private:
    void create_info();

    bool is_open_ = false;
    std::unique_ptr<PdfXref> xref_;
    std::unique_ptr<PdfHeader> header_;
    std::unique_ptr<PdfTrailer> trailer_;
    PdfCatalog* root_ = nullptr;
    PdfInfo* info_ = nullptr;
    PdfOutlineRoot* outline_root_ = nullptr;
    PdfDictionary* current_pages_ = nullptr;
    std::vector<std::unique_ptr<PdfFont>> fonts_;
    std::vector<std::unique_ptr<PdfDictionaryWrapper>> wrappers_;
    std::uint16_t default_page_width_ = 596;
    std::uint16_t default_page_height_ = 842;
    PdfCompressionMethod compression_method_ = PdfCompressionMethod::cmNone;
    bool use_outlines_ = false;
    std::function<DateTime()> clock_;
    std::unique_ptr<PdfCanvas> canvas_;
};

}  // namespace ijken::pdf
