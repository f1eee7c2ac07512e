#include "core/text/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::text {

namespace fs = std::filesystem;

// ---- parsing --------------------------------------------------------------------------------------

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Lower case for matching, Windows-1252 letters included (É matches é).
unsigned char fold(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x8A:
        case 0x8C:
        case 0x8E:
            return static_cast<unsigned char>(c + 16);
        case 0x9F:
            return 0xFF;
        default:
            return c;
    }
}

// The length of the UTF-8 sequence at s[i] when it is a valid one, else 0; code receives its
// code point.
std::size_t utf8_sequence(std::string_view s, std::size_t i, char32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t length;
    char32_t min;
    if (b0 < 0x80) {
        code = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, code = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, code = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, code = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// Whether the bytes are UTF-8 with at least one character beyond ASCII. Windows-1252 text with
// accented letters is practically never valid UTF-8 ("é" followed by a letter is not), so this
// tells the two apart.
bool looks_like_utf8(std::string_view s) {
    bool beyond_ascii = false;
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t code;
        const std::size_t n = utf8_sequence(s, i, code);
        if (n == 0) return false;
        beyond_ascii = true;
        i += n;
    }
    return beyond_ascii;
}

// UTF-8 to Windows-1252 for showing a value: a character the code page lacks, or a broken
// sequence, becomes "?".
std::string utf8_to_cp1252_lenient(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        char32_t code;
        const std::size_t n = utf8_sequence(s, i, code);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        const auto byte = unicode_to_cp1252(code);
        out += byte ? static_cast<char>(*byte) : '?';
        i += n;
    }
    return out;
}

// The key of an entry line: the text before the first "=" (the whole line when it has none).
std::string_view entry_key(std::string_view line) {
    const std::size_t eq = line.find('=');
    return trim(eq == std::string_view::npos ? line : line.substr(0, eq));
}

// The section name of a header line, or nullopt when the line is no header.
std::optional<std::string_view> header_name(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const std::string_view rest = t.substr(1);
    const std::size_t close = rest.rfind(']');
    return trim(close == std::string_view::npos ? rest : rest.substr(0, close));
}

// Hashing and comparing names without regard to case, with no folded copy made.
struct FoldHash {
    std::size_t operator()(std::string_view s) const {
        std::size_t h = 1469598103934665603ull;
        for (char c : s) h = (h ^ fold(static_cast<unsigned char>(c))) * 1099511628211ull;
        return h;
    }
};
struct FoldEqual {
    bool operator()(std::string_view a, std::string_view b) const {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
                return false;
        }
        return true;
    }
};
using NameIndex = std::unordered_map<std::string_view, std::size_t, FoldHash, FoldEqual>;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

TextEncoding detect_encoding(std::string_view bytes) {
    if (bytes.starts_with(kBom)) return TextEncoding::utf8_bom;
    return looks_like_utf8(bytes) ? TextEncoding::utf8 : TextEncoding::cp1252;
}

std::string decode_text(std::string_view bytes, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::cp1252:
            return std::string(bytes);
        case TextEncoding::utf8_bom:
            if (bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
            [[fallthrough]];
        case TextEncoding::utf8:
            return utf8_to_cp1252(bytes);
    }
    return std::string(bytes);
}

std::string encode_text(std::string_view cp1252, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::cp1252:
            return looks_like_utf8(cp1252) ? cp1252_to_utf8(cp1252) : std::string(cp1252);
        case TextEncoding::utf8:
            return cp1252_to_utf8(cp1252);
        case TextEncoding::utf8_bom:
            return std::string(kBom) + cp1252_to_utf8(cp1252);
    }
    return std::string(cp1252);
}

struct IniFile::Section {
    std::string_view header;  // the line as it stands in the file; empty for the lines before the first
    std::vector<std::string_view> lines;
    std::optional<NameIndex> keys;  // key -> first line holding it; built when first needed

    NameIndex& index() {
        if (!keys) {
            keys.emplace();
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const std::string_view key = entry_key(lines[i]);
                if (!key.empty()) keys->try_emplace(key, i);
            }
        }
        return *keys;
    }
};

struct IniFile::Data {
    std::string text;                                         // the file's bytes, which the views point into
    std::vector<std::unique_ptr<std::string>> added;          // lines written since, which views point into
    std::vector<Section> sections = std::vector<Section>(1);  // [0]: the lines before the first header
    NameIndex section_index;                                  // name -> first section of that name
    bool utf8 = false;
    bool utf8_bom = false;

    std::string_view keep(std::string line) {
        added.push_back(std::make_unique<std::string>(std::move(line)));
        return *added.back();
    }
};

IniFile::IniFile() : data_(std::make_unique<Data>()) {}
IniFile::~IniFile() = default;
IniFile::IniFile(IniFile&&) noexcept = default;
IniFile& IniFile::operator=(IniFile&&) noexcept = default;

IniFile IniFile::parse(std::string bytes) {
    IniFile ini;
    Data& d = *ini.data_;
    d.text = std::move(bytes);
    std::string_view rest = d.text;
    if (rest.starts_with(kBom)) {
        d.utf8 = d.utf8_bom = true;
        rest.remove_prefix(kBom.size());
    } else {
        d.utf8 = looks_like_utf8(rest);
    }
    const char* p = rest.data();
    const char* const end = p + rest.size();
    while (p < end) {
        // A line ends at CR LF, LF or a lone CR.
        const char* e = p;
        while (e < end && *e != '\r' && *e != '\n') ++e;
        const std::string_view line(p, static_cast<std::size_t>(e - p));
        p = e;
        if (p < end && *p++ == '\r' && p < end && *p == '\n') ++p;
        const char* first = line.data();
        while (first < e && is_blank(*first)) ++first;
        const auto name = first < e && *first == '[' ? header_name(line) : std::nullopt;
        if (name) {
            d.sections.push_back(Section{line, {}, {}});
            d.section_index.try_emplace(*name, d.sections.size() - 1);
        } else {
            d.sections.back().lines.push_back(line);
        }
    }
    return ini;
}

namespace {

// The whole file; nullopt with errno set when it cannot be read.
std::optional<std::string> read_bytes(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            errno = error;
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

}  // namespace

IniFile IniFile::read(const fs::path& path) {
    auto bytes = read_bytes(path);
    return bytes ? parse(std::move(*bytes)) : IniFile();
}

IniFile IniFile::read_for_update(const fs::path& path) {
    auto bytes = read_bytes(path);
    if (bytes) return parse(std::move(*bytes));
    if (errno == ENOENT) return IniFile();
    throw FileWriteError(path.string(), errno, FileWriteError::Step::create);
}

IniFile::Section* IniFile::find_section(std::string_view name) const {
    const auto it = data_->section_index.find(name);
    return it == data_->section_index.end() ? nullptr : &data_->sections[it->second];
}

std::string IniFile::value(std::string_view section_name, std::string_view key) const {
    Section* section = find_section(section_name);
    if (section == nullptr) return {};
    const NameIndex& keys = section->index();
    const auto it = keys.find(key);
    if (it == keys.end()) return {};
    const std::string_view line = section->lines[it->second];
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    std::string_view v = trim(line.substr(eq + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    std::string result = data_->utf8 ? utf8_to_cp1252_lenient(v) : std::string(v);
    if (result.size() > max_value_length) result.resize(max_value_length);
    return result;
}

std::string IniFile::to_file_encoding(std::string_view cp1252) const {
    return data_->utf8 ? cp1252_to_utf8(cp1252) : std::string(cp1252);
}

void IniFile::set_value(std::string_view section_name, std::string_view key, std::string_view value) {
    Data& d = *data_;
    // A line break inside a value would end the entry and start a stray line.
    std::string one_line = to_file_encoding(value);
    for (char& c : one_line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    Section* section = find_section(section_name);
    if (section == nullptr) {
        // A new section goes at the end, after an empty line when the file has text before it.
        Section& last = d.sections.back();
        const bool has_text = d.sections.size() > 1 || !last.lines.empty();
        const bool ends_blank = !last.lines.empty() && trim(last.lines.back()).empty();
        if (has_text && !ends_blank) last.lines.emplace_back();
        std::string header = "[";
        header += to_file_encoding(section_name);
        header += ']';
        const std::string_view kept = d.keep(std::move(header));
        d.sections.push_back(Section{kept, {}, {}});
        d.section_index.try_emplace(kept.substr(1, kept.size() - 2), d.sections.size() - 1);
        section = &d.sections.back();
    }
    NameIndex& keys = section->index();
    std::string line;
    const auto it = keys.find(key);
    if (it != keys.end()) {
        std::string_view& old = section->lines[it->second];
        line = entry_key(old);
        line += '=';
        line += one_line;
        old = d.keep(std::move(line));
        return;
    }
    line = to_file_encoding(key);
    line += '=';
    line += one_line;
    const std::string_view kept = d.keep(std::move(line));
    // After the section's last entry, before the empty lines that separate it from the next.
    std::size_t at = section->lines.size();
    while (at > 0 && trim(section->lines[at - 1]).empty()) --at;
    section->lines.insert(section->lines.begin() + static_cast<std::ptrdiff_t>(at), kept);
    // Only empty lines moved, and they hold no key.
    keys.try_emplace(entry_key(kept), at);
}

std::string IniFile::bytes() const {
    std::string out;
    out.reserve(data_->text.size() + 64);
    if (data_->utf8_bom) out += kBom;
    for (const Section& section : data_->sections) {
        if (&section != &data_->sections.front()) {
            out += section.header;
            out += "\r\n";
        }
        for (const std::string_view line : section.lines) {
            out += line;
            out += "\r\n";
        }
    }
    // A Windows-1252 file whose every accented byte now happens to form UTF-8 (a value "Ã©" written
    // into a file that had no other accents, or the last line that was no UTF-8 replaced) would be
    // read back as UTF-8, changing its values; written as UTF-8 it reads back as it was meant.
    if (!data_->utf8 && looks_like_utf8(out)) return cp1252_to_utf8(out);
    return out;
}

void IniFile::save(const fs::path& path) const {
    replace_file(path, bytes());
}

std::string ini_read(const fs::path& path, std::string_view section, std::string_view key,
                     std::string_view default_value) {
    std::string v = IniFile::read(path).value(section, key);
    return v.empty() ? std::string(default_value) : v;
}

void ini_write(const fs::path& path, std::string_view section, std::string_view key, std::string_view value) {
    IniFile ini = IniFile::read_for_update(path);
    ini.set_value(section, key, value);
    ini.save(path);
}

}  // namespace ijken::text
