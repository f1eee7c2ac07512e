// Windows-1252 <-> UTF-8. Every byte string survives the way to UTF-8 and back; any byte string
// offered as UTF-8 is either refused (exactly when a slow decoder finds it malformed or holding a
// character outside the code page) or converted into bytes that give the same UTF-8 back.
#include "core/text/cp1252.h"

#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"

using namespace ijken;

namespace {

// The code points of a UTF-8 text, nullopt when it is not well-formed (RFC 3629: shortest form,
// no surrogates, at most U+10FFFF).
std::optional<std::vector<char32_t>> ref_decode(const std::string& s) {
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        int len = b0 < 0x80                  ? 1
                  : b0 >= 0xC2 && b0 <= 0xDF ? 2
                  : b0 >= 0xE0 && b0 <= 0xEF ? 3
                  : b0 >= 0xF0 && b0 <= 0xF4 ? 4
                                             : 0;
        if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) return std::nullopt;
        char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
        for (int k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (b & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return std::nullopt;
        if (cp >= 0xD800 && cp <= 0xDFFF) return std::nullopt;
        out.push_back(cp);
        i += static_cast<std::size_t>(len);
    }
    return out;
}

// Windows-1252 as a table of its 256 code points, written out independently of the converter.
char32_t ref_cp1252(unsigned char b) {
    static const char32_t high[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                      0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    return b >= 0x80 && b < 0xA0 ? high[b - 0x80] : b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Bytes to UTF-8: well-formed, one code point per byte, each the byte's own, and back again.
    const std::string utf8 = text::cp1252_to_utf8(bytes);
    const auto decoded = ref_decode(utf8);
    FUZZ_CHECK(decoded.has_value(), "cp1252_to_utf8 made malformed UTF-8 of " + fuzz::shown(bytes));
    FUZZ_CHECK(decoded->size() == bytes.size(), "one code point per byte: " + fuzz::shown(bytes));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        FUZZ_CHECK((*decoded)[i] == ref_cp1252(static_cast<unsigned char>(bytes[i])),
                   "byte " + std::to_string(i) + " of " + fuzz::shown(bytes));
    }
    FUZZ_CHECK(text::utf8_to_cp1252(utf8) == bytes, "round trip of " + fuzz::shown(bytes));

    // The same bytes offered as UTF-8.
    const auto code_points = ref_decode(bytes);
    bool encodable = code_points.has_value();
    if (encodable) {
        for (char32_t cp : *code_points) {
            bool found = false;
            for (int b = 0; b < 256 && !found; ++b) found = ref_cp1252(static_cast<unsigned char>(b)) == cp;
            encodable = encodable && found;
        }
    }
    std::string back;
    bool refused = false;
    try {
        back = text::utf8_to_cp1252(bytes);
    } catch (const text::EncodingError&) {
        refused = true;
    }
    FUZZ_CHECK(refused == !encodable, std::string(refused ? "refused " : "accepted ") + fuzz::shown(bytes));
    if (!refused) {
        FUZZ_CHECK(back.size() == code_points->size(), "one byte per character: " + fuzz::shown(bytes));
        FUZZ_CHECK(text::cp1252_to_utf8(back) == bytes, "UTF-8 round trip of " + fuzz::shown(bytes));
    }
    return 0;
}
