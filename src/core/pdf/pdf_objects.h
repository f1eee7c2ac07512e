#pragma once
// The in-memory model of PDF objects and the cross-reference table that numbers the indirect ones.
//
// Ownership: a container owns its direct items. An indirect object is owned by its cross-reference
// entry; a container that uses it holds a reference object (PdfVirtualObject) made for the purpose,
// so every object has exactly one owner and a container never frees an object it merely points at.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/pdf/pdf_output.h"

namespace ijken::pdf {

enum class PdfObjectType : std::uint8_t {
    otDirectObject = 0,    // written in place
    otIndirectObject = 1,  // registered in the cross-reference table, written once
    otVirtualObject = 2,   // a reference to an indirect object
};

class PdfObject;
class PdfNumber;
class PdfReal;
class PdfName;
class PdfArray;
class PdfDictionary;

// Looks up indirect objects by number; the cross-reference table is the one implementation.
class PdfObjectMgr {
public:
    virtual ~PdfObjectMgr() = default;
    // Registers a direct object and takes ownership of it; refused (and left with the caller)
    // when the object is already indirect or a reference.
    virtual PdfObject* AddObject(std::unique_ptr<PdfObject>&& object) = 0;
    // The registered object with that number, nullptr when there is none.
    virtual PdfObject* ObjectAt(int number) const = 0;
};

class PdfObject {
public:
    virtual ~PdfObject() = default;
    PdfObject(const PdfObject&) = delete;
    PdfObject& operator=(const PdfObject&) = delete;

    PdfObjectType ObjectType() const { return object_type_; }
    int ObjectNumber() const { return object_number_; }
    int GenerationNumber() const { return generation_number_; }

    // The value in place, or "n g R" for an object that lives elsewhere.
    void WriteTo(OutputStream& out);
    // "n g obj", the value, "endobj"; only for a registered object.
    void WriteIndirectTo(OutputStream& out);
    virtual void WriteValue(OutputStream& out) = 0;

protected:
    PdfObject() = default;

private:
    friend class PdfXref;
    friend class PdfVirtualObject;
    PdfObjectType object_type_ = PdfObjectType::otDirectObject;
    int object_number_ = -1;
    int generation_number_ = 0;
};

class PdfNull : public PdfObject {
public:
    void WriteValue(OutputStream& out) override;
};

class PdfBoolean : public PdfObject {
public:
    explicit PdfBoolean(bool value = false) : value_(value) {}
    bool Value() const { return value_; }
    void SetValue(bool value) { value_ = value; }
    void WriteValue(OutputStream& out) override;

private:
    bool value_;
};

class PdfNumber : public PdfObject {
public:
    explicit PdfNumber(std::int32_t value = 0) : value_(value) {}
    std::int32_t Value() const { return value_; }
    void SetValue(std::int32_t value) { value_ = value; }
    void WriteValue(OutputStream& out) override;

private:
    std::int32_t value_;
};

class PdfReal : public PdfObject {
public:
    explicit PdfReal(double value = 0) : value_(value) {}
    double Value() const { return value_; }
    void SetValue(double value) { value_ = value; }
    void WriteValue(OutputStream& out) override;

private:
    double value_;
};

// A text string of Windows-1252 bytes, written as a literal string.
class PdfText : public PdfObject {
public:
    explicit PdfText(std::string value = {}) : value_(std::move(value)) {}
    const std::string& Value() const { return value_; }
    void SetValue(std::string value) { value_ = std::move(value); }
    void WriteValue(OutputStream& out) override;

private:
    std::string value_;
};

// A name, held without its slash.
class PdfName : public PdfObject {
public:
    explicit PdfName(std::string value = {}) : value_(std::move(value)) {}
    const std::string& Value() const { return value_; }
    void SetValue(std::string value) { value_ = std::move(value); }
    void WriteValue(OutputStream& out) override;

private:
    std::string value_;
};

// A reference to an indirect object. Only CreateVirtual makes a usable one; the plain constructor
// exists to refuse, so that no reference without a number can come about.
class PdfVirtualObject : public PdfObject {
public:
    PdfVirtualObject();
    static std::unique_ptr<PdfVirtualObject> CreateVirtual(int object_number);
    void WriteValue(OutputStream& out) override;

private:
    struct Tag {};
    explicit PdfVirtualObject(Tag, int object_number);
};

class PdfArray : public PdfObject {
public:
    explicit PdfArray(PdfObjectMgr* object_mgr = nullptr) : object_mgr_(object_mgr) {}
    // An array of numbers in list order (the widths of a font).
    PdfArray(PdfObjectMgr* object_mgr, std::span<const std::int16_t> numbers);
    PdfArray(PdfObjectMgr* object_mgr, std::initializer_list<std::int32_t> numbers);

    // Appends a direct object and owns it; a reference given here is kept as it is.
    void Append(std::unique_ptr<PdfObject> object);
    // Appends a reference to an object that lives elsewhere (indirect or reference).
    void Append(const PdfObject& indirect);

    int Count() const { return static_cast<int>(items_.size()); }
    // The item at a 0-based index with references resolved through the table; nullptr when the
    // index is out of range or a reference cannot be resolved.
    PdfObject* ItemAt(int index) const;
    bool ContainsName(std::string_view name) const;
    PdfObjectMgr* ObjectMgr() const { return object_mgr_; }

    void WriteValue(OutputStream& out) override;

private:
    PdfObjectMgr* object_mgr_;
    std::vector<std::unique_ptr<PdfObject>> items_;
};

class PdfDictionaryElement {
public:
    PdfDictionaryElement(std::string_view key, std::unique_ptr<PdfObject> value, bool hidden);
    const std::string& Key() const { return key_->Value(); }
    PdfObject& Value() const { return *value_; }
    bool IsHidden() const { return hidden_; }

private:
    friend class PdfDictionary;
    std::unique_ptr<PdfName> key_;
    std::unique_ptr<PdfObject> value_;
    bool hidden_;
};

class PdfDictionary : public PdfObject {
public:
    explicit PdfDictionary(PdfObjectMgr* object_mgr = nullptr) : object_mgr_(object_mgr) {}

    // Adds or replaces a visible element; the key moves to the end of the written order. A direct
    // value is owned by the dictionary from here on.
    void Put(std::string_view key, std::unique_ptr<PdfObject> value);
    // The same for an object that lives elsewhere: a reference to it is stored.
    void Put(std::string_view key, const PdfObject& indirect);
    // The same, but the element holds a working value and is never written.
    void PutHidden(std::string_view key, std::unique_ptr<PdfObject> value);
    void Remove(std::string_view key);

    // The value under the key with references resolved; nullptr when absent or unresolvable.
    PdfObject* Find(std::string_view key) const;
    // Find, as the given kind; nullptr when the value is of another kind.
    PdfNumber* FindNumber(std::string_view key) const;
    PdfReal* FindReal(std::string_view key) const;
    PdfName* FindName(std::string_view key) const;
    PdfDictionary* FindDictionary(std::string_view key) const;
    PdfArray* FindArray(std::string_view key) const;
    // The text of the "Type" name, or empty.
    std::string TypeName() const;

    int ItemCount() const { return static_cast<int>(elements_.size()); }
    const PdfDictionaryElement& ItemAt(int index) const { return *elements_.at(index); }
    PdfObjectMgr* ObjectMgr() const { return object_mgr_; }

    void WriteValue(OutputStream& out) override;

private:
    void put_element(std::string_view key, std::unique_ptr<PdfObject> value, bool hidden);
    PdfObjectMgr* object_mgr_;
    std::vector<std::unique_ptr<PdfDictionaryElement>> elements_;
};

// A stream: an attribute dictionary ("Length", "Filter", ...) and its data. When "Filter" names
// FlateDecode the data are compressed as they are written; the buffer always holds them plain.
class PdfStream : public PdfObject {
public:
    explicit PdfStream(PdfObjectMgr* object_mgr = nullptr);
    PdfDictionary& Attributes() { return *attributes_; }
    const PdfDictionary& Attributes() const { return *attributes_; }
    std::string& Data() { return data_; }
    const std::string& Data() const { return data_; }

    void WriteValue(OutputStream& out) override;

private:
    std::unique_ptr<PdfDictionary> attributes_;
    std::string data_;
};

// Bytes written as they are.
class PdfBinary : public PdfObject {
public:
    explicit PdfBinary(std::string data = {}) : data_(std::move(data)) {}
    std::string& Data() { return data_; }
    const std::string& Data() const { return data_; }
    void WriteValue(OutputStream& out) override;

private:
    std::string data_;
};

class PdfXrefEntry {
public:
    explicit PdfXrefEntry(std::unique_ptr<PdfObject> object);  // "n", offset -1
    static std::unique_ptr<PdfXrefEntry> FreeHead();           // "f", generation 65535

    char EntryType() const { return entry_type_; }
    std::int32_t ByteOffset() const { return byte_offset_; }
    void SetByteOffset(std::int32_t offset) { byte_offset_ = offset; }
    std::int32_t GenerationNumber() const { return generation_number_; }
    PdfObject* Object() const { return object_.get(); }
    // The 20-byte line of the table: offset, generation, type, CR LF.
    std::string AsXrefLine() const;

private:
    PdfXrefEntry() = default;
    char entry_type_ = 'f';
    std::int32_t byte_offset_ = -1;
    std::int32_t generation_number_ = 65535;
    std::unique_ptr<PdfObject> object_;
};

class PdfXref : public PdfObjectMgr {
public:
    PdfXref();
    PdfXref(const PdfXref&) = delete;
    PdfXref& operator=(const PdfXref&) = delete;

    // Registers the object as the next number. Throws "AddObject --wrong object type." for an
    // object that is not direct; the caller then keeps it.
    PdfObject* AddObject(std::unique_ptr<PdfObject>&& object) override;
    PdfObject* ObjectAt(int number) const override;

    // Registers a freshly made object and hands it back with its own type.
    template <class T>
    T* Add(std::unique_ptr<T> object) {
        T* raw = object.get();
        std::unique_ptr<PdfObject> base = std::move(object);
        AddObject(std::move(base));
        return raw;
    }

    int ItemCount() const { return static_cast<int>(entries_.size()); }
    PdfXrefEntry& Items(int index) { return *entries_.at(index); }
    const PdfXrefEntry& Items(int index) const { return *entries_.at(index); }

private:
    std::vector<std::unique_ptr<PdfXrefEntry>> entries_;
};

// The two ways an object is written: a literal string body and an escaped name. A name cannot
// hold a NUL byte in any form: escape_name refuses one with PdfInvalidValue.
std::string escape_text(std::string_view bytes);
std::string escape_name(std::string_view name);

// A real as PDF writes it: the general form (15 significant digits), but never with an exponent,
// which PDF syntax does not have ("1.5E-7" is written 0.00000015). Throws PdfInvalidValue for an
// infinity or NaN, which no PDF number can show.
std::string real_text(double value);

}  // namespace ijken::pdf
