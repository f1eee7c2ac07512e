#include "core/pdf/pdf_doc.h"

#include <cmath>
#include <ctime>

#include "core/pdf/pdf_canvas.h"
#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_fonts.h"
#include "core/pdf/pdf_outlines.h"
#include "core/text/numbers.h"

namespace ijken::pdf {

// ---- dates ----------------------------------------------------------------------------------------

namespace {

constexpr long long kMsPerDay = 86400000;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back.
long long days_from_civil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civil_from_days(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

const long long kDateTimeEpoch = days_from_civil(1899, 12, 30);

std::string two_digits(long long v) {
    std::string s = text::format_int(v);
    return s.size() < 2 ? "0" + s : s;
}

}  // namespace

DateTime now_local() {
    std::timespec ts{};
    std::timespec_get(&ts, TIME_UTC);
    std::tm local{};
    localtime_r(&ts.tv_sec, &local);
    const long long days = days_from_civil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                                           static_cast<unsigned>(local.tm_mday)) -
                           kDateTimeEpoch;
    const double seconds =
        local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ts.tv_nsec / 1e9;
    return static_cast<double>(days) + seconds / 86400.0;
}

std::string format_pdf_date(DateTime value) {
    if (!std::isfinite(value) || std::fabs(value) > 3e6) {
        throw PdfInvalidValue("invalid date.");
    }
    // The day is the whole part; the time of day is the fraction's magnitude, to the millisecond.
    const double whole = std::trunc(value);
    long long days = static_cast<long long>(whole);
    long long ms = text::round_half_even(static_cast<long double>(std::fabs(value - whole)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += value >= 0 ? 1 : -1;
    }
    long long y;
    unsigned m, d;
    civil_from_days(days + kDateTimeEpoch, y, m, d);
    std::string year = text::format_int(y);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    const long long seconds = ms / 1000;
    return "D:" + year + two_digits(m) + two_digits(d) + two_digits(seconds / 3600) +
           two_digits(seconds / 60 % 60) + two_digits(seconds % 60);
}

// ---- header and trailer ---------------------------------------------------------------------------

void PdfHeader::WriteToStream(OutputStream& out) const { out.write("%PDF-1.2 \r\n"); }

PdfTrailer::PdfTrailer(PdfObjectMgr* object_mgr) : attributes_(std::make_unique<PdfDictionary>(object_mgr)) {
    attributes_->Put("Size", std::make_unique<PdfNumber>(0));
}

void PdfTrailer::WriteToStream(OutputStream& out) {
    out.write("trailer\r\n");
    attributes_->WriteTo(out);
    out.write("\r\nstartxref\r\n");
    out.write(text::format_int(xref_address_));
    out.write("\r\n%%EOF\r\n");
}

// ---- catalog and information ------------------------------------------------------------------------

PdfCatalog::~PdfCatalog() = default;

void PdfCatalog::SetPages(PdfDictionary& pages) {
    if (pages.TypeName() == "Pages") Data()->Put("Pages", pages);
}

void PdfCatalog::put_name_in_place(std::string_view key, std::string_view name) {
    if (PdfName* existing = Data()->FindName(key)) {
        existing->SetValue(std::string(name));
    } else {
        Data()->Put(key, std::make_unique<PdfName>(std::string(name)));
    }
}

namespace {

constexpr std::string_view kPageLayoutNames[] = {"SinglePage", "OneColumn", "TwoColumnLeft", "TwoColumnRight"};
constexpr std::string_view kPageModeNames[] = {"UseNone", "UseOutlines", "UseThumbs", "FullScreen"};
constexpr std::string_view kViewerPreferenceNames[] = {"HideToolbar", "HideMenubar", "HideWindowUI",
                                                       "FitWindow", "CenterWindow"};

PdfDictionary& viewer_preferences(PdfDictionary& catalog) {
    PdfDictionary* prefs = catalog.FindDictionary("ViewerPreferences");
    if (!prefs) {
        catalog.Put("ViewerPreferences", std::make_unique<PdfDictionary>(catalog.ObjectMgr()));
        prefs = catalog.FindDictionary("ViewerPreferences");
    }
    return *prefs;
}

}  // namespace

void PdfCatalog::SetPageLayout(PdfPageLayout layout) {
    put_name_in_place("PageLayout", kPageLayoutNames[static_cast<int>(layout)]);
}

void PdfCatalog::SetPageMode(PdfPageMode mode) {
    put_name_in_place("PageMode", kPageModeNames[static_cast<int>(mode)]);
}

void PdfCatalog::SetNonFullScreenPageMode(PdfPageMode mode) {
    PdfDictionary& prefs = viewer_preferences(*Data());
    if (mode == PdfPageMode::pmUseOutlines || mode == PdfPageMode::pmUseThumbs) {
        prefs.Put("NonFullScreenPageMode",
                  std::make_unique<PdfName>(std::string(kPageModeNames[static_cast<int>(mode)])));
    } else {
        prefs.Remove("NonFullScreenPageMode");
    }
}

void PdfCatalog::SetViewerPreference(PdfViewerPreferences preferences) {
    if (preferences.empty() && !Data()->FindDictionary("ViewerPreferences")) return;
    PdfDictionary& prefs = viewer_preferences(*Data());
    for (int i = 0; i < 5; ++i) {
        const auto key = kViewerPreferenceNames[i];
        if (preferences.contains(static_cast<PdfViewerPreference>(i))) {
            prefs.Put(key, std::make_unique<PdfBoolean>(true));
        } else {
            prefs.Remove(key);
        }
    }
}

void PdfCatalog::SetOpenAction(std::unique_ptr<PdfDestination> destination) {
    open_action_ = std::move(destination);
}

void PdfCatalog::SaveOpenAction() {
    if (open_action_) {
        Data()->Put("OpenAction", open_action_->GetValue(Data()->ObjectMgr()));
    } else {
        Data()->Remove("OpenAction");
    }
}

void PdfInfo::put_text(std::string_view key, std::string_view value) {
    Data()->Put(key, std::make_unique<PdfText>(std::string(value)));
}

// ---- document -------------------------------------------------------------------------------------

PdfDoc::PdfDoc() : clock_(now_local), canvas_(std::make_unique<PdfCanvas>(*this)) {}

PdfDoc::~PdfDoc() { ReleaseDocument(); }

void PdfDoc::create_info() {
    auto* dict = xref_->Add(std::make_unique<PdfDictionary>(xref_.get()));
    dict->Put("Producer", std::make_unique<PdfText>("Korvane version 0.9"));
    trailer_->Attributes().Put("Info", *dict);
    auto info = std::make_unique<PdfInfo>();
    info->SetData(dict);
    info_ = info.get();
    wrappers_.push_back(std::move(info));
}

void PdfDoc::BeginDocument() {
    ReleaseDocument();
    canvas_->SetNoOutput(false);  // a measuring document before this one must not silence it
    xref_ = std::make_unique<PdfXref>();
    header_ = std::make_unique<PdfHeader>();
    trailer_ = std::make_unique<PdfTrailer>(xref_.get());

    auto* catalog_dict = xref_->Add(std::make_unique<PdfDictionary>(xref_.get()));
    catalog_dict->Put("Type", std::make_unique<PdfName>("Catalog"));
    trailer_->Attributes().Put("Root", *catalog_dict);
    auto catalog = std::make_unique<PdfCatalog>();
    catalog->SetData(catalog_dict);
    root_ = catalog.get();
    wrappers_.push_back(std::move(catalog));

    if (use_outlines_) {
        auto outline_root = std::make_unique<PdfOutlineRoot>(*this, *xref_);
        catalog_dict->Put("Outlines", *outline_root->Data());
        outline_root_ = outline_root.get();
        wrappers_.push_back(std::move(outline_root));
    }

    create_info();
    info_->SetCreationDate(clock_());

    auto* pages = xref_->Add(std::make_unique<PdfDictionary>(xref_.get()));
    pages->Put("Type", std::make_unique<PdfName>("Pages"));
    pages->Put("Kids", std::make_unique<PdfArray>(xref_.get()));
    pages->Put("Count", std::make_unique<PdfNumber>(0));
    root_->SetPages(*pages);
    current_pages_ = pages;

    is_open_ = true;
}

void PdfDoc::AddPage() {
    if (!current_pages_) throw PdfInvalidOperation("AddPage --current pages null.");
    PdfXref* xref = xref_.get();
    auto* page = xref->Add(std::make_unique<PdfDictionary>(xref));
    PdfArray* kids = current_pages_->FindArray("Kids");
    kids->Append(*page);
    if (PdfNumber* count = current_pages_->FindNumber("Count")) {
        count->SetValue(kids->Count());
    } else {
        current_pages_->Put("Count", std::make_unique<PdfNumber>(kids->Count()));
    }

    page->Put("Type", std::make_unique<PdfName>("Page"));
    page->Put("Parent", *current_pages_);
    page->Put("MediaBox", std::make_unique<PdfArray>(
                              xref, std::initializer_list<std::int32_t>{0, 0, default_page_width_,
                                                                        default_page_height_}));
    auto resources = std::make_unique<PdfDictionary>(xref);
    resources->Put("Font", std::make_unique<PdfDictionary>(xref));
    resources->Put("XObject", std::make_unique<PdfDictionary>(xref));
    auto proc_set = std::make_unique<PdfArray>(xref);
    for (const char* name : {"PDF", "Text", "ImageC"}) proc_set->Append(std::make_unique<PdfName>(name));
    resources->Put("ProcSet", std::move(proc_set));
    page->Put("Resources", std::move(resources));

    auto* contents = xref->Add(std::make_unique<PdfStream>(xref));
    if (compression_method_ == PdfCompressionMethod::cmFlateDecode) {
        contents->Attributes().FindArray("Filter")->Append(std::make_unique<PdfName>("FlateDecode"));
    }
    page->Put("Contents", *contents);

    canvas_->SwitchPage(page);
}

PdfCanvas& PdfDoc::BeginMeasuringDocument() {
    BeginDocument();
    AddPage();
    canvas_->SetNoOutput(true);
    return *canvas_;
}

void PdfDoc::SaveToStream(OutputStream& out) {
    if (!is_open_) throw PdfInvalidOperation("SaveToStream --there is no document to save.");
    canvas_->GetPage();

    GetInfo().SetModDate(clock_());
    root_->SaveOpenAction();
    if (outline_root_) outline_root_->Save();

    out.seek_start();
    header_->WriteToStream(out);
    const int count = xref_->ItemCount();
    for (int i = 1; i < count; ++i) {
        PdfXrefEntry& entry = xref_->Items(i);
        entry.SetByteOffset(static_cast<std::int32_t>(out.position()));
        entry.Object()->WriteIndirectTo(out);
    }

    trailer_->SetXrefAddress(out.position());
    std::string table = "xref\r\n0 " + text::format_int(count) + "\r\n";
    table.reserve(table.size() + 20 * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) table += xref_->Items(i).AsXrefLine();
    out.write(table);

    if (PdfNumber* size = trailer_->Attributes().FindNumber("Size")) {
        size->SetValue(count);
    } else {
        trailer_->Attributes().Put("Size", std::make_unique<PdfNumber>(count));
    }
    trailer_->WriteToStream(out);
    out.truncate_here();
}

void PdfDoc::ReleaseDocument() {
    if (canvas_) canvas_->SwitchPage(nullptr);
    fonts_.clear();
    wrappers_.clear();
    root_ = nullptr;
    info_ = nullptr;
    outline_root_ = nullptr;
    current_pages_ = nullptr;
    xref_.reset();
    header_.reset();
    trailer_.reset();
    is_open_ = false;
}

PdfCanvas& PdfDoc::GetCanvas() {
    if (!is_open_) throw PdfInvalidOperation("GetCanvas --Document is null");
    return *canvas_;
}

PdfInfo& PdfDoc::GetInfo() {
    if (!is_open_) throw PdfInvalidOperation("GetInfo --this method can not use this state..");
    if (!info_) create_info();
    return *info_;
}

PdfCatalog& PdfDoc::GetRoot() {
    if (!is_open_) throw PdfInvalidOperation("GetRoot --this method can not use this state..");
    return *root_;
}

PdfOutlineRoot& PdfDoc::GetOutlineRoot() {
    if (!is_open_) throw PdfInvalidOperation("GetOutlineRoot --document is null..");
    if (!use_outlines_ || !outline_root_) throw PdfInvalidOperation("GetOutlineRoot --not use outline mode..");
    return *outline_root_;
}

PdfFont& PdfDoc::GetFont(std::string_view name) {
    if (!is_open_ || !xref_) throw PdfInvalidOperation("GetFont --document is null.");
    for (const auto& font : fonts_) {
        if (font->Name() == name) return *font;
    }
    auto font = CreateFont(*xref_, name);
    std::string resource_name = "F";
    resource_name += text::format_int(static_cast<long long>(fonts_.size()));
    font->Data()->Put("Name", std::make_unique<PdfName>(std::move(resource_name)));
    fonts_.push_back(std::move(font));
    return *fonts_.back();
}

}  // namespace ijken::pdf
