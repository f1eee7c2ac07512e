#include "core/text/cp1252.h"

#include <gtest/gtest.h>

using namespace ijken::text;

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(one)), one) << b;
    }
}

TEST(Cp1252, HighCodesMapToTheirCharacters) {
    EXPECT_EQ(cp1252_to_utf8("\x80"), "\xE2\x82\xAC");           // euro sign
    EXPECT_EQ(cp1252_to_utf8("\x93x\x94"), "\xE2\x80\x9Cx\xE2\x80\x9D");
    EXPECT_EQ(cp1252_to_utf8("\xE9"), "\xC3\xA9");               // e acute
    EXPECT_EQ(utf8_to_cp1252("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80");
    EXPECT_EQ(cp1252_to_unicode(0x9F), U'\x0178');
    EXPECT_EQ(unicode_to_cp1252(U'\x0178'), 0x9F);
    EXPECT_FALSE(unicode_to_cp1252(U'\x0141').has_value());
}

TEST(Cp1252, UnencodableCharacterIsNamedNotReplaced) {
    try {
        utf8_to_cp1252("\xC5\x81" "odz");  // L with stroke
        FAIL() << "no error";
    } catch (const EncodingError& e) {
        EXPECT_STREQ(e.what(), "Het teken \"\xC5\x81\" (U+0141) bestaat niet in Windows-1252 en kan niet worden opgeslagen");
    }
    EXPECT_THROW(utf8_to_cp1252("\xF0\x9F\x9A\xA2"), EncodingError);  // a ship emoji
}

TEST(Cp1252, MalformedUtf8IsRefused) {
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "a\x80"}) {
        EXPECT_THROW(utf8_to_cp1252(bad), EncodingError) << bad;
    }
}
