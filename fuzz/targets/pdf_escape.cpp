// The PDF string and name escapes: read back by a reader written from the file format's rules,
// each gives exactly the bytes it was made of, and a name holds only regular characters.
#include <string>

#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_objects.h"
#include "fuzz_check.h"
#include "pdf_reader.h"

using namespace ijken;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string bytes(in.rest());

    const std::string literal = "(" + pdf::escape_text(bytes) + ")";
    fuzz::pdfread::Reader text_reader(literal);
    const auto text = text_reader.object();
    FUZZ_CHECK(text.has_value(), "string of " + fuzz::shown(bytes) + " unreadable: " + text_reader.error());
    FUZZ_CHECK(text_reader.at_end(),
               "string of " + fuzz::shown(bytes) + " ends early: " + fuzz::shown(literal));
    FUZZ_CHECK(text->bytes == bytes,
               "string of " + fuzz::shown(bytes) + " reads back as " + fuzz::shown(text->bytes));

    // A name cannot hold a NUL byte in any form: the writer must refuse it rather than write one.
    std::string escaped;
    bool refused = false;
    try {
        escaped = pdf::escape_name(bytes);
    } catch (const pdf::PdfInvalidValue&) {
        refused = true;
    }
    FUZZ_CHECK(refused == (bytes.find('\0') != std::string::npos),
               "name " + fuzz::shown(bytes) + (refused ? " refused" : " accepted"));
    if (refused) return 0;
    for (char c : escaped) {
        const auto b = static_cast<unsigned char>(c);
        FUZZ_CHECK(b > 0x20 && b < 0x7F && std::string_view("()<>[]{}/%").find(c) == std::string_view::npos,
                   "name of " + fuzz::shown(bytes) + " holds " + fuzz::shown(std::string(1, c)));
    }
    const std::string name_text = "/" + escaped + " ";
    fuzz::pdfread::Reader name_reader(name_text);
    const auto name = name_reader.object();
    FUZZ_CHECK(name.has_value(), "name of " + fuzz::shown(bytes) + " unreadable: " + name_reader.error());
    FUZZ_CHECK(name_reader.at_end(), "name of " + fuzz::shown(bytes) + " ends early");
    FUZZ_CHECK(name->bytes == bytes,
               "name of " + fuzz::shown(bytes) + " reads back as " + fuzz::shown(name->bytes));
    return 0;
}
