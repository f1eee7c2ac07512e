#pragma once
// A small reader of PDF object syntax, written from the file format's rules and sharing nothing
// with the writer: the PDF fuzz targets read back what the writer wrote and compare.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ijken::fuzz::pdfread {

struct Entry;

struct Value {
    enum class Kind {
        null,
        boolean,
        integer,
        real,
        text,
        name,
        array,
        dictionary,
        reference,
        stream
    } kind = Kind::null;
    bool boolean = false;
    long long integer = 0;       // also the object number of a reference
    std::string token;           // a number's text as written
    std::string bytes;           // text, name (decoded), stream data (as stored)
    std::vector<Value> items;    // array
    std::vector<Entry> entries;  // dictionary (also a stream's), in order
};

struct Entry {
    std::string first;  // the key
    Value second;
};

class Reader {
  public:
    explicit Reader(std::string_view s, std::size_t at = 0) : s_(s), at_(at) {}
    std::size_t position() const { return at_; }
    bool at_end() {
        skip_space();
        return at_ >= s_.size();
    }
    // One object; nullopt (with error()) when the bytes are not PDF syntax.
    std::optional<Value> object();
    // "n g obj <object> endobj"
    std::optional<Value> indirect(long long& number);
    const std::string& error() const { return error_; }
    void skip_space();

  private:
    static bool space(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
    static bool delimiter(char c) { return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }
    std::string regular_run();
    bool literal(std::string& out);
    bool fail(const std::string& why) {
        if (error_.empty()) error_ = why + " at byte " + std::to_string(at_);
        return false;
    }
    std::string_view s_;
    std::size_t at_;
    std::string error_;
};

inline void Reader::skip_space() {
    while (at_ < s_.size()) {
        if (space(s_[at_])) {
            ++at_;
        } else if (s_[at_] == '%') {
            while (at_ < s_.size() && s_[at_] != '\r' && s_[at_] != '\n') ++at_;
        } else {
            break;
        }
    }
}

inline std::string Reader::regular_run() {
    std::size_t b = at_;
    while (at_ < s_.size() && !space(s_[at_]) && !delimiter(s_[at_])) ++at_;
    return std::string(s_.substr(b, at_ - b));
}

// A literal string, the opening parenthesis already read.
inline bool Reader::literal(std::string& out) {
    int depth = 1;
    while (at_ < s_.size()) {
        char c = s_[at_++];
        if (c == '\\') {
            if (at_ >= s_.size()) return fail("backslash at the end");
            char e = s_[at_++];
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case '(':
                case ')':
                case '\\':
                    out += e;
                    break;
                case '\r':
                    if (at_ < s_.size() && s_[at_] == '\n') ++at_;
                    break;
                case '\n':
                    break;
                default:
                    if (e >= '0' && e <= '7') {
                        int v = e - '0';
                        for (int k = 0; k < 2 && at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '7'; ++k)
                            v = v * 8 + (s_[at_++] - '0');
                        out += static_cast<char>(v & 0xFF);
                    } else {
                        out += e;  // an unknown escape stands for the character itself
                    }
            }
        } else if (c == '(') {
            ++depth;
            out += c;
        } else if (c == ')') {
            if (--depth == 0) return true;
            out += c;
        } else if (c == '\r') {
            // An end of line inside a string reads as LF, whatever it was written as.
            if (at_ < s_.size() && s_[at_] == '\n') ++at_;
            out += '\n';
        } else {
            out += c;
        }
    }
    return fail("unterminated string");
}

inline bool is_integer_token(const std::string& t) {
    std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    return i < t.size() && t.find_first_not_of("0123456789", i) == std::string::npos;
}

inline bool is_real_token(const std::string& t) {
    std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    int digits = 0, dots = 0;
    for (; i < t.size(); ++i) {
        if (t[i] == '.')
            ++dots;
        else if (t[i] >= '0' && t[i] <= '9')
            ++digits;
        else
            return false;
    }
    return digits > 0 && dots <= 1;
}

inline std::optional<Value> Reader::object() {
    skip_space();
    Value v;
    if (at_ >= s_.size()) return fail("object expected"), std::nullopt;
    const char c = s_[at_];
    if (c == '(') {
        ++at_;
        v.kind = Value::Kind::text;
        if (!literal(v.bytes)) return std::nullopt;
        return v;
    }
    if (c == '/') {
        ++at_;
        v.kind = Value::Kind::name;
        const std::string raw = regular_run();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '#') {
                auto hex = [](char h) {
                    return h >= '0' && h <= '9'   ? h - '0'
                           : h >= 'A' && h <= 'F' ? h - 'A' + 10
                           : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                                  : -1;
                };
                if (i + 2 >= raw.size()) return fail("short #"), std::nullopt;
                const int hi = hex(raw[i + 1]), lo = hex(raw[i + 2]);
                if (hi < 0 || lo < 0) return fail("bad # in name"), std::nullopt;
                if (hi == 0 && lo == 0) return fail("#00 in name"), std::nullopt;
                v.bytes += static_cast<char>(hi * 16 + lo);
                i += 2;
            } else {
                v.bytes += raw[i];
            }
        }
        return v;
    }
    if (c == '[') {
        ++at_;
        v.kind = Value::Kind::array;
        while (true) {
            skip_space();
            if (at_ < s_.size() && s_[at_] == ']') {
                ++at_;
                return v;
            }
            auto item = object();
            if (!item) return std::nullopt;
            v.items.push_back(std::move(*item));
        }
    }
    if (c == '<' && at_ + 1 < s_.size() && s_[at_ + 1] == '<') {
        at_ += 2;
        v.kind = Value::Kind::dictionary;
        while (true) {
            skip_space();
            if (s_.substr(at_, 2) == ">>") {
                at_ += 2;
                break;
            }
            auto key = object();
            if (!key || key->kind != Value::Kind::name) return fail("dictionary key"), std::nullopt;
            auto value = object();
            if (!value) return std::nullopt;
            v.entries.push_back(Entry{key->bytes, std::move(*value)});
        }
        // A stream: the dictionary, "stream", one end of line, Length bytes, "endstream".
        const std::size_t save = at_;
        skip_space();
        if (s_.substr(at_, 6) == "stream") {
            at_ += 6;
            if (s_.substr(at_, 2) == "\r\n")
                at_ += 2;
            else if (s_.substr(at_, 1) == "\n")
                at_ += 1;
            else
                return fail("end of line after stream"), std::nullopt;
            long long length = -1;
            for (auto& [k, val] : v.entries) {
                if (k == "Length" && val.kind == Value::Kind::integer) length = val.integer;
            }
            if (length < 0 || at_ + static_cast<std::size_t>(length) > s_.size())
                return fail("stream length"), std::nullopt;
            v.bytes = std::string(s_.substr(at_, static_cast<std::size_t>(length)));
            at_ += static_cast<std::size_t>(length);
            skip_space();
            if (s_.substr(at_, 9) != "endstream") return fail("endstream expected"), std::nullopt;
            at_ += 9;
            v.kind = Value::Kind::stream;
        } else {
            at_ = save;
        }
        return v;
    }
    if (c == '<') return fail("hex string not expected"), std::nullopt;
    if (delimiter(c)) return fail(std::string("unexpected delimiter ") + c), std::nullopt;
    const std::string t = regular_run();
    if (t == "null") return v;
    if (t == "true" || t == "false") {
        v.kind = Value::Kind::boolean;
        v.boolean = t == "true";
        return v;
    }
    if (is_integer_token(t)) {
        // "n g R" is a reference.
        const std::size_t save = at_;
        Reader look(s_, at_);
        look.skip_space();
        const std::size_t g_at = look.at_;
        std::string g = look.regular_run();
        if (is_integer_token(g) && look.at_ > g_at) {
            look.skip_space();
            if (look.regular_run() == "R") {
                v.kind = Value::Kind::reference;
                v.integer = std::stoll(t);
                at_ = look.at_;
                return v;
            }
        }
        at_ = save;
        v.kind = Value::Kind::integer;
        v.token = t;
        v.integer = t.size() > 18 ? 0 : std::stoll(t);
        return v;
    }
    if (is_real_token(t)) {
        v.kind = Value::Kind::real;
        v.token = t;
        return v;
    }
    return fail("unknown token \"" + t + "\""), std::nullopt;
}

inline std::optional<Value> Reader::indirect(long long& number) {
    skip_space();
    const std::string n = regular_run();
    skip_space();
    const std::string g = regular_run();
    skip_space();
    const std::string kw = regular_run();
    if (!is_integer_token(n) || g != "0" || kw != "obj") return fail("n 0 obj expected"), std::nullopt;
    number = std::stoll(n);
    auto v = object();
    if (!v) return std::nullopt;
    skip_space();
    if (regular_run() != "endobj") return fail("endobj expected"), std::nullopt;
    return v;
}

}  // namespace ijken::fuzz::pdfread
