#pragma once
// Fonts: the twelve standard Type 1 fonts, each registered under the name a caller asks for
// ("Arial", "Times-Bold", ...), with the glyph widths that measuring needs.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/pdf/pdf_doc.h"

namespace ijken::pdf {

class PdfFont : public PdfDictionaryWrapper {
public:
    PdfFont(PdfXref& xref, std::string_view name) : name_(name) { (void)xref; }
    // The name under which the font was requested.
    const std::string& Name() const { return name_; }
    // The width of the character at the 1-based index, in thousandths of the font size.
    virtual int CharWidth(std::string_view text, int index) const;

private:
    std::string name_;
};

class PdfType1Font : public PdfFont {
public:
    using PdfFont::PdfFont;
    // Fills the width table from "MissingWidth", "FirstChar", "LastChar" and "Widths".
    void SetData(PdfDictionary* data) override;
    int CharWidth(std::string_view text, int index) const override;

    std::uint8_t FirstChar() const { return first_char_; }
    std::uint8_t LastChar() const { return last_char_; }

private:
    std::uint8_t first_char_ = 0;
    std::uint8_t last_char_ = 0;
    std::array<std::int16_t, 256> widths_{};
};

// One row of the string part of a font dictionary, and of the integer part.
struct PdfStrTblEntry {
    std::string_view key;
    std::string_view value;
};
struct PdfIntTblEntry {
    std::string_view key;
    std::int32_t value;
};

// A standard font: its dictionary is built and registered on construction.
class PdfStandardType1Font : public PdfType1Font {
public:
    PdfStandardType1Font(PdfXref& xref, std::string_view name, std::string_view base_font,
                         const std::array<std::int16_t, 224>& widths);
};

#define IJKEN_PDF_STANDARD_FONT(Class)                                       \
    class Class : public PdfStandardType1Font {                              \
    public:                                                                  \
        Class(PdfXref& xref, std::string_view name);                         \
    };
IJKEN_PDF_STANDARD_FONT(PdfFixedWidth)
IJKEN_PDF_STANDARD_FONT(PdfFixedWidthBold)
IJKEN_PDF_STANDARD_FONT(PdfFixedWidthItalic)
IJKEN_PDF_STANDARD_FONT(PdfFixedWidthBoldItalic)
IJKEN_PDF_STANDARD_FONT(PdfArial)
IJKEN_PDF_STANDARD_FONT(PdfArialBold)
IJKEN_PDF_STANDARD_FONT(PdfArialItalic)
IJKEN_PDF_STANDARD_FONT(PdfArialBoldItalic)
IJKEN_PDF_STANDARD_FONT(PdfTimesRoman)
IJKEN_PDF_STANDARD_FONT(PdfTimesBold)
IJKEN_PDF_STANDARD_FONT(PdfTimesItalic)
IJKEN_PDF_STANDARD_FONT(PdfTimesBoldItalic)
#undef IJKEN_PDF_STANDARD_FONT

using PdfFontFactory = std::function<std::unique_ptr<PdfFont>(PdfXref&, std::string_view)>;

// Makes a font class available under a name; a later registration of the same name replaces it.
void RegisterFontClass(std::string_view name, PdfFontFactory factory);
// Constructs the font registered under the name (byte-wise, case-sensitive); an unknown name
// raises "Class <name> not found".
std::unique_ptr<PdfFont> CreateFont(PdfXref& xref, std::string_view name);

// The width tables for codes 32..255 (generated from the published metrics).
enum class StandardFontFamily : std::uint8_t {
    Courier, CourierBold, CourierOblique, CourierBoldOblique,
    Helvetica, HelveticaBold, HelveticaOblique, HelveticaBoldOblique,
    TimesRoman, TimesBold, TimesItalic, TimesBoldItalic,
};
const std::array<std::int16_t, 224>& standard_font_widths(StandardFontFamily font);

}  // namespace ijken::pdf
