#pragma once
// Windows-1252 is the program's character set: the database, the language files and the PDF hold
// its bytes. Unicode (UTF-8, QString) appears only at the boundary to the windowing system.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ijken::text {

// A character that Windows-1252 cannot hold, or malformed UTF-8. Unlike the program's other
// messages this one is UTF-8, so that it can show the character as it was typed.
class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The Unicode code point of a Windows-1252 byte. The five codes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same number, so all 256 bytes
// survive a round trip.
char32_t cp1252_to_unicode(unsigned char byte);

// The Windows-1252 byte of a code point, nullopt when the code page has none.
std::optional<unsigned char> unicode_to_cp1252(char32_t code_point);

// Windows-1252 bytes to UTF-8.
std::string cp1252_to_utf8(std::string_view bytes);

// UTF-8 to Windows-1252 bytes. Throws EncodingError for a character outside Windows-1252 (the
// message names the character and its code point) and for malformed UTF-8; never substitutes "?".
std::string utf8_to_cp1252(std::string_view utf8);

// The message EncodingError carries for a code point, e.g.
// "Het teken \"Ł\" (U+0141) bestaat niet in Windows-1252 en kan niet worden opgeslagen".
std::string describe_unencodable(char32_t code_point);

// A user's text as a message quotes it: whole when short, otherwise its first max_bytes bytes and
// "...", so that a pasted page of text cannot bury the message it is part of.
std::string excerpt(std::string_view text, std::size_t max_bytes = 40);

}  // namespace ijken::text
