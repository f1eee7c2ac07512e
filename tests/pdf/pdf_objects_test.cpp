#include "core/pdf/pdf_objects.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <limits>

#include "core/pdf/pdf_exceptions.h"

namespace ijken::pdf {
namespace {

std::string value_of(PdfObject& object) {
    MemoryStream out;
    object.WriteTo(out);
    return out.data();
}

// ---- written form of single values ----------------------------------------------------------

struct ValueCase {
    const char* label;
    std::function<std::unique_ptr<PdfObject>()> make;
    std::string expected;
};

class PdfValueWriting : public ::testing::TestWithParam<ValueCase> {};

TEST_P(PdfValueWriting, WritesTheExpectedBytes) {
    auto object = GetParam().make();
    EXPECT_EQ(value_of(*object), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PdfValueWriting,
    ::testing::Values(
        ValueCase{"null", [] { return std::make_unique<PdfNull>(); }, "null"},
        ValueCase{"true", [] { return std::make_unique<PdfBoolean>(true); }, "true"},
        ValueCase{"negative", [] { return std::make_unique<PdfNumber>(-2147483647 - 1); }, "-2147483648"},
        ValueCase{"real_half", [] { return std::make_unique<PdfReal>(0.5); }, "0.5"},
        ValueCase{"real_whole", [] { return std::make_unique<PdfReal>(12); }, "12"},
        ValueCase{"real_fraction", [] { return std::make_unique<PdfReal>(1.25); }, "1.25"},
        // PDF numbers have no exponent: what the general form would write as 1.5E-7 or 1E20.
        ValueCase{"real_tiny", [] { return std::make_unique<PdfReal>(-1.5e-7); }, "-0.00000015"},
        ValueCase{"real_huge", [] { return std::make_unique<PdfReal>(1e20); }, "100000000000000000000.0"},
        ValueCase{"real_huge_fraction", [] { return std::make_unique<PdfReal>(1.25e15); },
                  "1250000000000000.0"},
        ValueCase{"text_plain", [] { return std::make_unique<PdfText>("Leeg"); }, "(Leeg)"},
        ValueCase{"text_parens", [] { return std::make_unique<PdfText>("a(b)c"); }, "(a\\(b\\)c)"},
        ValueCase{"text_controls", [] { return std::make_unique<PdfText>("\\\r\n\t\b\f"); },
                  "(\\\\\\r\\n\\t\\b\\f)"},
        ValueCase{"text_high_bytes", [] { return std::make_unique<PdfText>("caf\xE9 \x80"); },
                  "(caf\xE9 \x80)"},
        ValueCase{"name_plain", [] { return std::make_unique<PdfName>("Type1"); }, "/Type1"},
        ValueCase{"name_blank_slash", [] { return std::make_unique<PdfName>("a b/c"); }, "/a#20b#2Fc"},
        ValueCase{"name_delimiters", [] { return std::make_unique<PdfName>("#%()<>[]{}"); },
                  "/#23#25#28#29#3C#3E#5B#5D#7B#7D"},
        ValueCase{"name_bounds", [] { return std::make_unique<PdfName>("\x20\x21~\x7F\xE9"); },
                  "/#20!~#7F#E9"},
        ValueCase{"empty_array", [] { return std::make_unique<PdfArray>(); }, "[]"},
        ValueCase{"one_item_array",
                  [] {
                      auto a = std::make_unique<PdfArray>();
                      a->Append(std::make_unique<PdfNumber>(7));
                      return a;
                  },
                  "[7 ]"},
        ValueCase{"reference", [] { return PdfVirtualObject::CreateVirtual(12); }, "12 0 R"},
        ValueCase{"binary", [] { return std::make_unique<PdfBinary>("<AB>"); }, "<AB>"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PdfValueWriting, RefusesWhatNoPdfFileCanHold) {
    // No PDF number shows an infinity or NaN, and no name holds a NUL byte, not even as #00.
    for (double v : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        PdfReal real(v);
        EXPECT_THROW(value_of(real), PdfInvalidValue);
    }
    PdfName name(std::string("a\0b", 3));
    try {
        value_of(name);
        ADD_FAILURE() << "a name with a NUL byte was written";
    } catch (const PdfInvalidValue& e) {
        EXPECT_STREQ(e.what(), "PdfName --a name cannot hold a null character.");
    }
}

// ---- dictionaries ---------------------------------------------------------------------------

TEST(PdfDictionary, WritesKeysInTheOrderOfTheirLastPut) {
    PdfDictionary dict;
    dict.Put("A", std::make_unique<PdfNumber>(1));
    dict.Put("B", std::make_unique<PdfNumber>(2));
    dict.Put("A", std::make_unique<PdfNumber>(3));
    EXPECT_EQ(value_of(dict), "<<\r\n/B 2\r\n/A 3\r\n>>");
}

TEST(PdfDictionary, HiddenElementsAreFoundButNeverWritten) {
    PdfDictionary dict;
    dict.PutHidden("_Font_Size", std::make_unique<PdfReal>(10));
    EXPECT_EQ(value_of(dict), "<<\r\n>>");
    ASSERT_NE(dict.FindReal("_Font_Size"), nullptr);
    EXPECT_EQ(dict.FindReal("_Font_Size")->Value(), 10);
}

TEST(PdfDictionary, AValueIsRequired) {
    PdfDictionary dict;
    try {
        dict.Put("Key", std::unique_ptr<PdfObject>());
        FAIL() << "no exception";
    } catch (const PdfInvalidValue& e) {
        EXPECT_STREQ(e.what(), "internal error. wrong object.");
    }
}

TEST(PdfDictionary, AnIndirectValueIsStoredAsReferenceAndResolvedThroughTheTable) {
    PdfXref xref;
    auto* page = xref.Add(std::make_unique<PdfDictionary>(&xref));
    page->Put("Type", std::make_unique<PdfName>("Page"));
    PdfDictionary parent(&xref);
    parent.Put("Kid", *page);
    EXPECT_EQ(value_of(parent), "<<\r\n/Kid 1 0 R\r\n>>");
    EXPECT_EQ(parent.FindDictionary("Kid"), page);

    PdfDictionary without_table;
    without_table.Put("Kid", *page);
    EXPECT_EQ(without_table.Find("Kid"), nullptr);
}

// ---- arrays ---------------------------------------------------------------------------------

TEST(PdfArray, ReferencesResolveAndNamesAreFound) {
    PdfXref xref;
    auto* font = xref.Add(std::make_unique<PdfDictionary>(&xref));
    PdfArray array(&xref);
    array.Append(*font);
    array.Append(std::make_unique<PdfName>("FlateDecode"));
    EXPECT_EQ(array.Count(), 2);
    EXPECT_EQ(array.ItemAt(0), font);
    EXPECT_EQ(array.ItemAt(5), nullptr);
    EXPECT_TRUE(array.ContainsName("FlateDecode"));
    EXPECT_FALSE(array.ContainsName("flatedecode"));
    EXPECT_EQ(value_of(array), "[1 0 R /FlateDecode ]");
}

// ---- references and the table ---------------------------------------------------------------

TEST(PdfVirtualObject, OnlyCreateVirtualMakesOne) {
    try {
        PdfVirtualObject object;
        FAIL() << "no exception";
    } catch (const PdfException& e) {
        EXPECT_STREQ(e.what(), "virtualObject must be create by CreateVirtual method.");
    }
    EXPECT_EQ(PdfVirtualObject::CreateVirtual(4)->ObjectType(), PdfObjectType::otVirtualObject);
}

TEST(PdfXref, NumbersObjectsInOrderOfRegistration) {
    PdfXref xref;
    auto* a = xref.Add(std::make_unique<PdfNull>());
    auto* b = xref.Add(std::make_unique<PdfNull>());
    EXPECT_EQ(a->ObjectNumber(), 1);
    EXPECT_EQ(b->ObjectNumber(), 2);
    EXPECT_EQ(b->ObjectType(), PdfObjectType::otIndirectObject);
    EXPECT_EQ(xref.ObjectAt(2), b);
    EXPECT_EQ(xref.ObjectAt(3), nullptr);
    EXPECT_EQ(xref.Items(0).AsXrefLine(), "0000000000 65535 f\r\n");
    EXPECT_EQ(xref.Items(1).AsXrefLine(), "0000000000 00000 n\r\n");  // not yet written
    xref.Items(1).SetByteOffset(1234);
    EXPECT_EQ(xref.Items(1).AsXrefLine(), "0000001234 00000 n\r\n");
}

TEST(PdfXref, AddingAnObjectTwiceFailsAndLeavesItWithItsOwner) {
    PdfXref xref;
    PdfObject* registered = xref.Add(std::make_unique<PdfNumber>(5));
    std::unique_ptr<PdfObject> again(registered);
    try {
        xref.AddObject(std::move(again));
        again.release();
        FAIL() << "no exception";
    } catch (const PdfInvalidOperation& e) {
        again.release();  // still owned by the table
        EXPECT_STREQ(e.what(), "AddObject --wrong object type.");
    }
    EXPECT_EQ(xref.ItemCount(), 2);

    std::unique_ptr<PdfObject> reference = PdfVirtualObject::CreateVirtual(1);
    EXPECT_THROW(xref.AddObject(std::move(reference)), PdfInvalidOperation);
    EXPECT_NE(reference, nullptr);
}

TEST(PdfObject, WritesAsIndirectOnlyWhenRegistered) {
    PdfXref xref;
    auto* number = xref.Add(std::make_unique<PdfNumber>(42));
    MemoryStream out;
    number->WriteIndirectTo(out);
    EXPECT_EQ(out.data(), "1 0 obj\r\n42\r\nendobj\r\n");
    EXPECT_EQ(value_of(*number), "1 0 R");

    PdfNumber direct(1);
    try {
        direct.WriteIndirectTo(out);
        FAIL() << "no exception";
    } catch (const PdfInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "internal error wrong object type");
    }
}

// ---- streams --------------------------------------------------------------------------------

TEST(PdfStream, UncompressedKeepsItsBytesWithAnEmptyFilter) {
    PdfStream stream;
    stream.Data() = "BT\n(Hi) Tj\nET\n";
    EXPECT_EQ(value_of(stream), "<<\r\n/Length 14\r\n/Filter []\r\n>>\r\nstream\r\nBT\n(Hi) Tj\nET\n\nendstream");
}

TEST(PdfStream, FlateDecodeCompressesAndTheDataInflateBack) {
    PdfStream stream;
    stream.Attributes().FindArray("Filter")->Append(std::make_unique<PdfName>("FlateDecode"));
    std::string drawn;
    for (int i = 0; i < 200; ++i) drawn += "BT\n10 " + std::to_string(i) + " Td\n(Regel) Tj\nET\n";
    stream.Data() = drawn;

    const std::string written = value_of(stream);
    const std::string head = "<<\r\n/Length ";
    ASSERT_EQ(written.compare(0, head.size(), head), 0);
    const std::size_t length = std::stoul(written.substr(head.size()));
    const std::string tail_of_dict = "\r\n/Filter [/FlateDecode ]\r\n>>\r\nstream\r\n";
    const std::size_t start = written.find(tail_of_dict);
    ASSERT_NE(start, std::string::npos);
    const std::string body = written.substr(start + tail_of_dict.size());
    ASSERT_EQ(body.size(), length + std::string("\nendstream").size());
    EXPECT_LT(length, drawn.size());
    EXPECT_EQ(static_cast<unsigned char>(body[0]), 0x78);  // zlib header
    EXPECT_EQ(static_cast<unsigned char>(body[1]), 0xDA);  // best compression

    std::string inflated(drawn.size(), '\0');
    uLongf size = inflated.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                         reinterpret_cast<const Bytef*>(body.data()), length),
              Z_OK);
    inflated.resize(size);
    EXPECT_EQ(inflated, drawn);
    EXPECT_EQ(stream.Data(), drawn);  // the buffer keeps the plain bytes
}

}  // namespace
}  // namespace ijken::pdf
