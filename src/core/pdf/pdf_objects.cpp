#include "core/pdf/pdf_objects.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/pdf/pdf_exceptions.h"
#include "core/text/numbers.h"

namespace ijken::pdf {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string int_text(long long value) { return text::format_int(value); }

// Zero-padded decimal of a fixed width, as the cross-reference lines need it.
std::string padded(std::int32_t value, int width) {
    char buf[16];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    std::string digits(buf, end);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

void write_reference(OutputStream& out, int number, int generation) {
    out.write(int_text(number));
    out.write(" ");
    out.write(int_text(generation));
    out.write(" R");
}

}  // namespace

// ---- escapes ----------------------------------------------------------------------------------

std::string escape_text(std::string_view bytes) {
    std::string result;
    result.reserve(bytes.size() + 2);
    for (char c : bytes) {
        switch (c) {
            case '(': result += "\\("; break;
            case ')': result += "\\)"; break;
            case '\\': result += "\\\\"; break;
            case '\r': result += "\\r"; break;
            case '\n': result += "\\n"; break;
            case '\t': result += "\\t"; break;
            case '\b': result += "\\b"; break;
            case '\f': result += "\\f"; break;
            default: result += c;
        }
    }
    return result;
}

std::string escape_name(std::string_view name) {
    if (name.find('\0') != std::string_view::npos) {
        throw PdfInvalidValue("PdfName --a name cannot hold a null character.");
    }
    std::string result;
    result.reserve(name.size());
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        const bool special = b < 0x21 || b > 0x7E || c == '#' || c == '%' || c == '(' || c == ')' ||
                             c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
                             c == '}';
        if (special) {
            result += '#';
            result += kHexDigits[b >> 4];
            result += kHexDigits[b & 0x0F];
        } else {
            result += c;
        }
    }
    return result;
}

std::string real_text(double value) {
    if (!std::isfinite(value)) throw PdfInvalidValue("PdfReal --invalid number.");
    std::string general = text::format_general(value);
    const std::size_t e = general.find('E');
    if (e == std::string::npos) return general;
    // d.dddE±x: the same digits, the separator moved.
    std::string sign;
    std::string mantissa = general.substr(0, e);
    if (mantissa[0] == '-') {
        sign.push_back('-');
        mantissa.erase(0, 1);
    }
    // The general form's own exponent: a sign and at most three digits, so it always parses.
    const int exponent = static_cast<int>(text::parse_int(general.substr(e + 1)).value_or(0));
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') digits += c;
    }
    // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about "literal" + a string in a
    // Release build.
    std::string out;
    if (exponent < 0) {
        out.append("0.");
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        digits.resize(std::max(digits.size(), static_cast<std::size_t>(exponent) + 1), '0');
        out = digits.substr(0, static_cast<std::size_t>(exponent) + 1);
        // A whole number this long must still read as a real, not as an integer too large for any
        // reader.
        out.push_back('.');
        out += digits.size() > static_cast<std::size_t>(exponent) + 1
                   ? digits.substr(static_cast<std::size_t>(exponent) + 1)
                   : std::string("0");
    }
    sign += out;
    return sign;
}

// ---- PdfObject ----------------------------------------------------------------------------------

void PdfObject::WriteTo(OutputStream& out) {
    if (object_type_ != PdfObjectType::otDirectObject) {
        write_reference(out, object_number_, generation_number_);
    } else {
        WriteValue(out);
    }
}

void PdfObject::WriteIndirectTo(OutputStream& out) {
    if (object_type_ != PdfObjectType::otIndirectObject) {
        throw PdfInvalidOperation("internal error wrong object type");
    }
    out.write(int_text(object_number_));
    out.write(" ");
    out.write(int_text(generation_number_));
    out.write(" obj\r\n");
    WriteValue(out);
    out.write("\r\nendobj\r\n");
}

void PdfNull::WriteValue(OutputStream& out) { out.write("null"); }

void PdfBoolean::WriteValue(OutputStream& out) { out.write(value_ ? "true" : "false"); }

void PdfNumber::WriteValue(OutputStream& out) { out.write(int_text(value_)); }

void PdfReal::WriteValue(OutputStream& out) {
    out.write(real_text(value_));
}

void PdfText::WriteValue(OutputStream& out) {
    // Every byte is a character of Windows-1252, so a text is always a literal string.
    out.write("(");
    out.write(escape_text(value_));
    out.write(")");
}

void PdfName::WriteValue(OutputStream& out) {
    out.write("/");
    out.write(escape_name(value_));
}

// ---- PdfVirtualObject ---------------------------------------------------------------------------

PdfVirtualObject::PdfVirtualObject() {
    throw PdfException("virtualObject must be create by CreateVirtual method.");
}

PdfVirtualObject::PdfVirtualObject(Tag, int object_number) {
    object_type_ = PdfObjectType::otVirtualObject;
    object_number_ = object_number;
}

std::unique_ptr<PdfVirtualObject> PdfVirtualObject::CreateVirtual(int object_number) {
    return std::unique_ptr<PdfVirtualObject>(new PdfVirtualObject(Tag{}, object_number));
}

void PdfVirtualObject::WriteValue(OutputStream& out) {
    write_reference(out, ObjectNumber(), GenerationNumber());
}

// ---- PdfArray -----------------------------------------------------------------------------------

PdfArray::PdfArray(PdfObjectMgr* object_mgr, std::span<const std::int16_t> numbers)
    : object_mgr_(object_mgr) {
    items_.reserve(numbers.size());
    for (std::int16_t n : numbers) items_.push_back(std::make_unique<PdfNumber>(n));
}

PdfArray::PdfArray(PdfObjectMgr* object_mgr, std::initializer_list<std::int32_t> numbers)
    : object_mgr_(object_mgr) {
    for (std::int32_t n : numbers) items_.push_back(std::make_unique<PdfNumber>(n));
}

void PdfArray::Append(std::unique_ptr<PdfObject> object) {
    if (!object) throw PdfInvalidValue("internal error. wrong object.");
    for (const auto& item : items_) {
        if (item.get() == object.get()) {
            object.release();  // already ours: appending it again changes nothing
            return;
        }
    }
    if (object->ObjectType() == PdfObjectType::otIndirectObject) {
        // An indirect object belongs to the table; keep only a reference to it.
        const int number = object->ObjectNumber();
        object.release();
        items_.push_back(PdfVirtualObject::CreateVirtual(number));
        return;
    }
    items_.push_back(std::move(object));
}

void PdfArray::Append(const PdfObject& indirect) {
    if (indirect.ObjectType() == PdfObjectType::otDirectObject) {
        throw PdfInvalidOperation("internal error wrong object type");
    }
    items_.push_back(PdfVirtualObject::CreateVirtual(indirect.ObjectNumber()));
}

PdfObject* PdfArray::ItemAt(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    PdfObject* item = items_[index].get();
    if (item->ObjectType() == PdfObjectType::otVirtualObject) {
        return object_mgr_ ? object_mgr_->ObjectAt(item->ObjectNumber()) : nullptr;
    }
    return item;
}

bool PdfArray::ContainsName(std::string_view name) const {
    for (const auto& item : items_) {
        const auto* n = dynamic_cast<const PdfName*>(item.get());
        if (n && n->Value() == name) return true;
    }
    return false;
}

void PdfArray::WriteValue(OutputStream& out) {
    out.write("[");
    for (const auto& item : items_) {
        item->WriteTo(out);
        out.write(" ");
    }
    out.write("]");
}

// ---- PdfDictionary ------------------------------------------------------------------------------

PdfDictionaryElement::PdfDictionaryElement(std::string_view key, std::unique_ptr<PdfObject> value,
                                           bool hidden)
    : key_(std::make_unique<PdfName>(std::string(key))), value_(std::move(value)), hidden_(hidden) {
    if (!value_) throw PdfInvalidValue("internal error. wrong object.");
}

void PdfDictionary::put_element(std::string_view key, std::unique_ptr<PdfObject> value, bool hidden) {
    if (!value) throw PdfInvalidValue("internal error. wrong object.");
    if (value->ObjectType() == PdfObjectType::otIndirectObject) {
        const int number = value->ObjectNumber();
        value.release();  // owned by the table, see Put(key, const PdfObject&)
        value = PdfVirtualObject::CreateVirtual(number);
    }
    auto element = std::make_unique<PdfDictionaryElement>(key, std::move(value), hidden);
    Remove(key);
    elements_.push_back(std::move(element));
}

void PdfDictionary::Put(std::string_view key, std::unique_ptr<PdfObject> value) {
    put_element(key, std::move(value), false);
}

void PdfDictionary::Put(std::string_view key, const PdfObject& indirect) {
    if (indirect.ObjectType() == PdfObjectType::otDirectObject) {
        throw PdfInvalidOperation("internal error wrong object type");
    }
    put_element(key, PdfVirtualObject::CreateVirtual(indirect.ObjectNumber()), false);
}

void PdfDictionary::PutHidden(std::string_view key, std::unique_ptr<PdfObject> value) {
    put_element(key, std::move(value), true);
}

void PdfDictionary::Remove(std::string_view key) {
    for (auto it = elements_.begin(); it != elements_.end(); ++it) {
        if ((*it)->Key() == key) {
            elements_.erase(it);
            return;
        }
    }
}

PdfObject* PdfDictionary::Find(std::string_view key) const {
    for (const auto& element : elements_) {
        if (element->Key() != key) continue;
        PdfObject* value = element->value_.get();
        if (value->ObjectType() == PdfObjectType::otVirtualObject) {
            return object_mgr_ ? object_mgr_->ObjectAt(value->ObjectNumber()) : nullptr;
        }
        return value;
    }
    return nullptr;
}

PdfNumber* PdfDictionary::FindNumber(std::string_view key) const { return dynamic_cast<PdfNumber*>(Find(key)); }
PdfReal* PdfDictionary::FindReal(std::string_view key) const { return dynamic_cast<PdfReal*>(Find(key)); }
PdfName* PdfDictionary::FindName(std::string_view key) const { return dynamic_cast<PdfName*>(Find(key)); }
PdfDictionary* PdfDictionary::FindDictionary(std::string_view key) const {
    return dynamic_cast<PdfDictionary*>(Find(key));
}
PdfArray* PdfDictionary::FindArray(std::string_view key) const { return dynamic_cast<PdfArray*>(Find(key)); }

std::string PdfDictionary::TypeName() const {
    const PdfName* name = FindName("Type");
    return name ? name->Value() : std::string();
}

void PdfDictionary::WriteValue(OutputStream& out) {
    out.write("<<\r\n");
    for (const auto& element : elements_) {
        if (element->hidden_) continue;
        element->key_->WriteTo(out);
        out.write(" ");
        element->value_->WriteTo(out);
        out.write("\r\n");
    }
    out.write(">>");
}

// ---- PdfStream ----------------------------------------------------------------------------------

PdfStream::PdfStream(PdfObjectMgr* object_mgr) : attributes_(std::make_unique<PdfDictionary>(object_mgr)) {
    attributes_->Put("Length", std::make_unique<PdfNumber>(0));
    attributes_->Put("Filter", std::make_unique<PdfArray>(object_mgr));
}

void PdfStream::WriteValue(OutputStream& out) {
    const PdfArray* filter = attributes_->FindArray("Filter");
    std::string compressed;
    const std::string* body = &data_;
    if (filter && filter->ContainsName("FlateDecode")) {
        uLongf size = compressBound(static_cast<uLong>(data_.size()));
        compressed.resize(size);
        const int rc = compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                                 reinterpret_cast<const Bytef*>(data_.data()),
                                 static_cast<uLong>(data_.size()), Z_BEST_COMPRESSION);
        if (rc != Z_OK) throw PdfException("compress2 failed with code " + int_text(rc));
        compressed.resize(size);
        body = &compressed;
    }
    // Set in place: "Length" keeps its place before "Filter".
    if (PdfNumber* length = attributes_->FindNumber("Length")) {
        length->SetValue(static_cast<std::int32_t>(body->size()));
    } else {
        attributes_->Put("Length", std::make_unique<PdfNumber>(static_cast<std::int32_t>(body->size())));
    }
    attributes_->WriteTo(out);
    out.write("\r\nstream\r\n");
    out.write(*body);
    out.write("\nendstream");
}

void PdfBinary::WriteValue(OutputStream& out) { out.write(data_); }

// ---- cross-reference table ----------------------------------------------------------------------

PdfXrefEntry::PdfXrefEntry(std::unique_ptr<PdfObject> object)
    : entry_type_('n'), byte_offset_(-1), generation_number_(object->GenerationNumber()),
      object_(std::move(object)) {}

std::unique_ptr<PdfXrefEntry> PdfXrefEntry::FreeHead() {
    return std::unique_ptr<PdfXrefEntry>(new PdfXrefEntry());
}

std::string PdfXrefEntry::AsXrefLine() const {
    std::string line = byte_offset_ < 0 ? std::string("0000000000") : padded(byte_offset_, 10);
    line += ' ';
    line += padded(generation_number_, 5);
    line += ' ';
    line += entry_type_;
    line += "\r\n";
    return line;
}

PdfXref::PdfXref() { entries_.push_back(PdfXrefEntry::FreeHead()); }

PdfObject* PdfXref::AddObject(std::unique_ptr<PdfObject>&& object) {
    if (!object) throw PdfInvalidValue("internal error. wrong object.");
    if (object->ObjectType() != PdfObjectType::otDirectObject) {
        throw PdfInvalidOperation("AddObject --wrong object type.");
    }
    PdfObject* raw = object.get();
    entries_.push_back(std::make_unique<PdfXrefEntry>(std::move(object)));
    raw->object_number_ = static_cast<int>(entries_.size()) - 1;
    raw->object_type_ = PdfObjectType::otIndirectObject;
    return raw;
}

PdfObject* PdfXref::ObjectAt(int number) const {
    if (number < 1 || number >= static_cast<int>(entries_.size())) return nullptr;
    return entries_[number]->Object();
}

}  // namespace ijken::pdf
