// The PDF object writer. The input is a small program that builds a tree of objects (every kind,
// nested, with indirect objects and streams, compressed or not) into a document; the saved file is
// read back by an independent reader through its cross-reference table, and every object must
// come back as it was built. Now and then (every file in the corpus replay) qpdf --check must pass
// the whole file.
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/pdf/pdf_doc.h"
#include "core/pdf/pdf_exceptions.h"
#include "core/pdf/pdf_objects.h"
#include "fuzz_check.h"
#include "pdf_reader.h"

using namespace ijken;
using fuzz::pdfread::Value;
using Kind = Value::Kind;

namespace {

struct ModelEntry;

// What an object was built as.
struct Model {
    Kind kind = Kind::null;
    bool boolean = false;
    long long integer = 0;  // number, or the object number of a reference
    double real = 0;
    std::string bytes;  // text, name, stream data (plain)
    bool flate = false;
    std::vector<Model> items;
    std::vector<ModelEntry> entries;
};

struct ModelEntry {
    std::string first;
    Model second;
};

class Builder {
  public:
    Builder(fuzz::Input& in, pdf::PdfXref& xref) : in_(in), xref_(xref) {}
    std::map<long long, Model> indirect;  // object number -> what was registered under it
    bool non_finite = false;              // a real that no PDF number can show was built

    std::unique_ptr<pdf::PdfObject> build(int depth, Model& m) {
        const int op = in_.byte() % 10;
        if (depth >= 4 && op >= 6) return null(m);
        switch (op) {
            case 0:
                return null(m);
            case 1: {
                m.kind = Kind::boolean;
                m.boolean = in_.byte() & 1;
                return std::make_unique<pdf::PdfBoolean>(m.boolean);
            }
            case 2: {
                m.kind = Kind::integer;
                const auto v = in_.value<std::int32_t>();
                m.integer = v;
                return std::make_unique<pdf::PdfNumber>(v);
            }
            case 3: {
                m.kind = Kind::real;
                m.real = in_.value<double>();
                if (!std::isfinite(m.real)) non_finite = true;
                return std::make_unique<pdf::PdfReal>(m.real);
            }
            case 4: {
                m.kind = Kind::text;
                m.bytes = std::string(in_.bytes(in_.byte() % 40));
                return std::make_unique<pdf::PdfText>(m.bytes);
            }
            case 5: {
                m.kind = Kind::name;
                m.bytes = name_bytes();
                return std::make_unique<pdf::PdfName>(m.bytes);
            }
            case 6: {
                m.kind = Kind::array;
                auto a = std::make_unique<pdf::PdfArray>(&xref_);
                for (int n = in_.byte() % 6; n > 0; --n) {
                    Model item;
                    a->Append(build(depth + 1, item));
                    m.items.push_back(std::move(item));
                }
                return a;
            }
            case 7: {
                m.kind = Kind::dictionary;
                auto d = std::make_unique<pdf::PdfDictionary>(&xref_);
                fill(*d, m, depth);
                return d;
            }
            case 8: {
                // An indirect object, used through a reference.
                Model target;
                auto object = build(depth + 1, target);
                if (object->ObjectType() != pdf::PdfObjectType::otDirectObject) {
                    m = std::move(target);  // already a reference
                    return object;
                }
                return register_object(std::move(object), std::move(target), m);
            }
            default: {
                Model target;
                target.kind = Kind::stream;
                auto s = std::make_unique<pdf::PdfStream>(&xref_);
                target.bytes = std::string(in_.bytes(in_.byte() * 4u));
                s->Data() = target.bytes;
                target.flate = in_.byte() & 1;
                if (target.flate)
                    s->Attributes().FindArray("Filter")->Append(
                        std::make_unique<pdf::PdfName>("FlateDecode"));
                fill(s->Attributes(), target, depth, "X");
                return register_object(std::move(s), std::move(target), m);
            }
        }
    }

  private:
    std::unique_ptr<pdf::PdfObject> null(Model& m) {
        m.kind = Kind::null;
        return std::make_unique<pdf::PdfNull>();
    }
    // Names here hold no NUL byte: a name's bytes are the escape target's business.
    std::string name_bytes() {
        std::string s(in_.bytes(in_.byte() % 12));
        for (char& c : s) {
            if (c == '\0') c = 'N';
        }
        return s;
    }
    void fill(pdf::PdfDictionary& d, Model& m, int depth, const std::string& prefix = "") {
        for (int n = in_.byte() % 6; n > 0; --n) {
            const std::string key = prefix + name_bytes();
            Model value;
            d.Put(key, build(depth + 1, value));
            // Put replaces a key and moves it to the end.
            for (auto it = m.entries.begin(); it != m.entries.end(); ++it) {
                if (it->first == key) {
                    m.entries.erase(it);
                    break;
                }
            }
            m.entries.push_back(ModelEntry{key, std::move(value)});
        }
    }
    std::unique_ptr<pdf::PdfObject> register_object(std::unique_ptr<pdf::PdfObject> object, Model target,
                                                    Model& m) {
        pdf::PdfObject* raw = xref_.AddObject(std::move(object));
        m.kind = Kind::reference;
        m.integer = raw->ObjectNumber();
        indirect[m.integer] = std::move(target);
        return pdf::PdfVirtualObject::CreateVirtual(raw->ObjectNumber());
    }

    fuzz::Input& in_;
    pdf::PdfXref& xref_;
};

std::string inflate(const std::string& z, std::size_t expected) {
    std::string out(expected + 16, '\0');
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(z.data()),
                   static_cast<uLong>(z.size())) != Z_OK) {
        return "<not zlib data>";
    }
    out.resize(size);
    return out;
}

void compare(const Value& v, const Model& m, const std::string& where);

void compare_entries(const std::vector<fuzz::pdfread::Entry>& got, const std::vector<ModelEntry>& want,
                     const std::string& where) {
    FUZZ_CHECK(got.size() == want.size(),
               where + ": " + std::to_string(got.size()) + " entries, built " + std::to_string(want.size()));
    for (std::size_t i = 0; i < got.size(); ++i) {
        FUZZ_CHECK(got[i].first == want[i].first,
                   where + ": key " + fuzz::shown(got[i].first) + " for " + fuzz::shown(want[i].first));
        compare(got[i].second, want[i].second, where + "/" + fuzz::shown(want[i].first));
    }
}

void compare(const Value& v, const Model& m, const std::string& where) {
    if (m.kind == Kind::real) {
        // A whole value may be written as an integer.
        FUZZ_CHECK(v.kind == Kind::real || v.kind == Kind::integer,
                   where + ": a real came back as another kind");
        const double back = std::strtod(v.token.c_str(), nullptr);
        // Within the 15 digits written (half a unit of the 15th) and the rounding of reading them.
        FUZZ_CHECK(std::fabs(back - m.real) <= std::fabs(m.real) * 5.2e-15,
                   where + ": real " + std::to_string(m.real) + " written as " + v.token);
        return;
    }
    FUZZ_CHECK(v.kind == m.kind, where + ": came back as another kind");
    switch (m.kind) {
        case Kind::boolean:
            FUZZ_CHECK(v.boolean == m.boolean, where + ": boolean");
            break;
        case Kind::integer:
            FUZZ_CHECK(v.token == std::to_string(m.integer),
                       where + ": " + v.token + " for " + std::to_string(m.integer));
            break;
        case Kind::text:
        case Kind::name:
            FUZZ_CHECK(v.bytes == m.bytes,
                       where + ": " + fuzz::shown(v.bytes) + " for " + fuzz::shown(m.bytes));
            break;
        case Kind::reference:
            FUZZ_CHECK(v.integer == m.integer, where + ": reference to another object");
            break;
        case Kind::array:
            FUZZ_CHECK(v.items.size() == m.items.size(), where + ": array length");
            for (std::size_t i = 0; i < m.items.size(); ++i)
                compare(v.items[i], m.items[i], where + "[" + std::to_string(i) + "]");
            break;
        case Kind::dictionary:
            compare_entries(v.entries, m.entries, where);
            break;
        case Kind::stream: {
            // Length, Filter, then what was added.
            FUZZ_CHECK(
                v.entries.size() >= 2 && v.entries[0].first == "Length" && v.entries[1].first == "Filter",
                where + ": stream attributes");
            const Value& filter = v.entries[1].second;
            FUZZ_CHECK(filter.kind == Kind::array && filter.items.size() == (m.flate ? 1u : 0u),
                       where + ": Filter");
            const std::vector<fuzz::pdfread::Entry> rest(v.entries.begin() + 2, v.entries.end());
            compare_entries(rest, m.entries, where);
            const std::string data = m.flate ? inflate(v.bytes, m.bytes.size()) : v.bytes;
            FUZZ_CHECK(data == m.bytes, where + ": stream data");
            break;
        }
        default:
            break;
    }
}

std::string qpdf_check(const std::string& bytes) {
    char path[] = "/tmp/ijken-fuzz-pdf-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return "cannot make a temporary file";
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        close(fd);
        unlink(path);
        return "cannot write the temporary file";
    }
    close(fd);
    std::string report;
    FILE* p = popen(("qpdf --check " + std::string(path) + " 2>&1").c_str(), "r");
    char buf[4096];
    for (std::size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) report.append(buf, n);
    const int status = p ? pclose(p) : -1;
    unlink(path);
    return status == 0 ? std::string() : report.empty() ? "qpdf did not run" : report;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    pdf::PdfDoc doc;
    doc.SetClock([] { return 45633.5; });
    doc.SetCompressionMethod(in.byte() & 1 ? pdf::PdfCompressionMethod::cmFlateDecode
                                           : pdf::PdfCompressionMethod::cmNone);
    doc.BeginDocument();
    doc.AddPage();
    Builder builder(in, *doc.ObjectMgr());
    Model root;
    doc.GetRoot().Data()->Put("IjkenFuzz", builder.build(0, root));

    pdf::MemoryStream out;
    try {
        doc.SaveToStream(out);
    } catch (const pdf::PdfInvalidValue&) {
        // Refusing is right only for a number no PDF file can hold.
        FUZZ_CHECK(builder.non_finite, "the writer refused a document it can write");
        return 0;
    }
    const std::string& file = out.data();

    // The cross-reference table: "startxref", its offset, the table, and every entry in use must
    // point at "n 0 obj" of its own number.
    const std::size_t sx = file.rfind("startxref\r\n");
    FUZZ_CHECK(sx != std::string::npos, "no startxref");
    const std::size_t xref_at = std::strtoull(file.c_str() + sx + 11, nullptr, 10);
    FUZZ_CHECK(file.compare(xref_at, 6, "xref\r\n") == 0, "startxref does not point at the table");
    const std::size_t count = std::strtoull(file.c_str() + xref_at + 8, nullptr, 10);
    const std::size_t lines = file.find("\r\n", xref_at + 6) + 2;
    std::map<long long, Value> objects;
    for (std::size_t i = 1; i < count; ++i) {
        const std::string line = file.substr(lines + 20 * i, 20);
        FUZZ_CHECK(line.size() == 20 && line[17] == 'n' && line.substr(18) == "\r\n",
                   "xref line " + std::to_string(i));
        fuzz::pdfread::Reader reader(file, std::strtoull(line.c_str(), nullptr, 10));
        long long number = -1;
        auto v = reader.indirect(number);
        FUZZ_CHECK(v.has_value(), "object " + std::to_string(i) + " unreadable: " + reader.error());
        FUZZ_CHECK(number == static_cast<long long>(i),
                   "xref entry " + std::to_string(i) + " points at object " + std::to_string(number));
        objects[number] = std::move(*v);
    }
    // What was built is what is there.
    const Value* fuzz_entry = nullptr;
    for (const auto& [key, value] : objects[1].entries) {
        if (key == "IjkenFuzz") fuzz_entry = &value;
    }
    FUZZ_CHECK(fuzz_entry != nullptr, "the catalog lost the fuzz entry");
    compare(*fuzz_entry, root, "IjkenFuzz");
    for (const auto& [number, model] : builder.indirect) {
        FUZZ_CHECK(objects.count(number), "object " + std::to_string(number) + " missing");
        compare(objects[number], model, "object " + std::to_string(number));
    }

    static unsigned long runs = 0;
    if (fuzz::kReplay || ++runs % 1000 == 0) {
        const std::string problems = qpdf_check(file);
        FUZZ_CHECK(problems.empty(), "qpdf --check: " + problems);
    }
    return 0;
}
