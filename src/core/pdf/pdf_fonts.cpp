#include "core/pdf/pdf_fonts.h"

#include <map>
#include <mutex>

#include "core/pdf/pdf_exceptions.h"

namespace ijken::pdf {

int PdfFont::CharWidth(std::string_view, int) const { return 0; }

void PdfType1Font::SetData(PdfDictionary* data) {
    PdfFont::SetData(data);
    if (!data) return;
    const PdfNumber* missing = data->FindNumber("MissingWidth");
    widths_.fill(static_cast<std::int16_t>(missing ? missing->Value() : 0));
    const PdfNumber* first = data->FindNumber("FirstChar");
    const PdfNumber* last = data->FindNumber("LastChar");
    first_char_ = static_cast<std::uint8_t>(first ? first->Value() : 0);
    last_char_ = static_cast<std::uint8_t>(last ? last->Value() : 0);
    const PdfArray* widths = data->FindArray("Widths");
    if (!widths) return;
    for (int i = 0; i < widths->Count() && first_char_ + i < 256; ++i) {
        if (const auto* n = dynamic_cast<const PdfNumber*>(widths->ItemAt(i))) {
            widths_[first_char_ + i] = static_cast<std::int16_t>(n->Value());
        }
    }
}

int PdfType1Font::CharWidth(std::string_view text, int index) const {
    if (index < 1 || index > static_cast<int>(text.size())) return 0;
    return widths_[static_cast<unsigned char>(text[index - 1])];
}

PdfStandardType1Font::PdfStandardType1Font(PdfXref& xref, std::string_view name, std::string_view base_font,
                                           const std::array<std::int16_t, 224>& widths)
    : PdfType1Font(xref, name) {
    const PdfStrTblEntry str_tbl[] = {
        {"Type", "Font"}, {"Subtype", "Type1"}, {"Encoding", "WinAnsiEncoding"}};
    const PdfIntTblEntry int_tbl[] = {{"FirstChar", 32}, {"LastChar", 255}};

    auto* dict = xref.Add(std::make_unique<PdfDictionary>(&xref));
    for (const auto& row : str_tbl) dict->Put(row.key, std::make_unique<PdfName>(std::string(row.value)));
    for (const auto& row : int_tbl) dict->Put(row.key, std::make_unique<PdfNumber>(row.value));
    dict->Put("BaseFont", std::make_unique<PdfName>(std::string(base_font)));
    // The widths serve measuring only; a standard font needs none in the file.
    dict->PutHidden("Widths", std::make_unique<PdfArray>(&xref, std::span<const std::int16_t>(widths)));
    SetData(dict);
}

#define IJKEN_PDF_DEFINE_FONT(Class, BaseFont, Family)                               \
    Class::Class(PdfXref& xref, std::string_view name)                               \
        : PdfStandardType1Font(xref, name, BaseFont,                                 \
                               standard_font_widths(StandardFontFamily::Family)) {}
IJKEN_PDF_DEFINE_FONT(PdfFixedWidth, "Courier", Courier)
IJKEN_PDF_DEFINE_FONT(PdfFixedWidthBold, "Courier-Bold", CourierBold)
IJKEN_PDF_DEFINE_FONT(PdfFixedWidthItalic, "Courier-Oblique", CourierOblique)
IJKEN_PDF_DEFINE_FONT(PdfFixedWidthBoldItalic, "Courier-BoldOblique", CourierBoldOblique)
IJKEN_PDF_DEFINE_FONT(PdfArial, "Helvetica", Helvetica)
IJKEN_PDF_DEFINE_FONT(PdfArialBold, "Helvetica-Bold", HelveticaBold)
IJKEN_PDF_DEFINE_FONT(PdfArialItalic, "Helvetica-Oblique", HelveticaOblique)
IJKEN_PDF_DEFINE_FONT(PdfArialBoldItalic, "Helvetica-BoldOblique", HelveticaBoldOblique)
IJKEN_PDF_DEFINE_FONT(PdfTimesRoman, "Times-Roman", TimesRoman)
IJKEN_PDF_DEFINE_FONT(PdfTimesBold, "Times-Bold", TimesBold)
IJKEN_PDF_DEFINE_FONT(PdfTimesItalic, "Times-Italic", TimesItalic)
IJKEN_PDF_DEFINE_FONT(PdfTimesBoldItalic, "Times-BoldItalic", TimesBoldItalic)
#undef IJKEN_PDF_DEFINE_FONT

// ---- registry -----------------------------------------------------------------------------------

namespace {

template <class T>
PdfFontFactory factory_of() {
    return [](PdfXref& xref, std::string_view name) -> std::unique_ptr<PdfFont> {
        return std::make_unique<T>(xref, name);
    };
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, PdfFontFactory, std::less<>> classes;

    Registry() {
        classes.emplace("FixedWidth", factory_of<PdfFixedWidth>());
        classes.emplace("FixedWidth-Bold", factory_of<PdfFixedWidthBold>());
        classes.emplace("FixedWidth-Italic", factory_of<PdfFixedWidthItalic>());
        classes.emplace("FixedWidth-BoldItalic", factory_of<PdfFixedWidthBoldItalic>());
        classes.emplace("Arial", factory_of<PdfArial>());
        classes.emplace("Arial-Bold", factory_of<PdfArialBold>());
        classes.emplace("Arial-Italic", factory_of<PdfArialItalic>());
        classes.emplace("Arial-BoldItalic", factory_of<PdfArialBoldItalic>());
        classes.emplace("Times-Roman", factory_of<PdfTimesRoman>());
        classes.emplace("Times-Bold", factory_of<PdfTimesBold>());
        classes.emplace("Times-Italic", factory_of<PdfTimesItalic>());
        classes.emplace("Times-BoldItalic", factory_of<PdfTimesBoldItalic>());
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

void RegisterFontClass(std::string_view name, PdfFontFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.classes.insert_or_assign(std::string(name), std::move(factory));
}

std::unique_ptr<PdfFont> CreateFont(PdfXref& xref, std::string_view name) {
    PdfFontFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.classes.find(name);
        if (it == r.classes.end()) throw PdfException("Class " + std::string(name) + " not found");
        factory = it->second;
    }
    return factory(xref, name);
}

}  // namespace ijken::pdf
