// The language file reader and writer. Any bytes parse; a value written reads back as written
// (less what the file format cannot hold: line breaks become blanks, blanks around and one pair
// of enclosing quotes go, at most max_value_length characters); every other line of the file
// stays as it was, and so does every other key's value; and what is written to a disk file is
// what the next start reads.
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "core/text/cp1252.h"
#include "core/text/ini_file.h"
#include "fuzz_check.h"

using namespace ijken;
using text::IniFile;

namespace {

// Section and key names as the language files use them (window and control names), with case
// variants so that matching without regard to case is exercised.
std::string name_from(fuzz::Input& in) {
    static const char alphabet[] = "aAbB.1_cC";
    std::string s;
    for (int n = 1 + in.byte() % 3; n > 0; --n) s += alphabet[in.byte() % (sizeof alphabet - 1)];
    return s;
}

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

// What reading gives back for a value written.
std::string read_back(std::string v) {
    for (char& c : v) c = c == '\r' || c == '\n' ? ' ' : c;
    std::size_t b = 0, e = v.size();
    while (b < e && blank(v[b])) ++b;
    while (e > b && blank(v[e - 1])) --e;
    v = v.substr(b, e - b);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.size() > IniFile::max_value_length) v.resize(IniFile::max_value_length);
    return v;
}

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::vector<std::string> lines_of(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(bytes.substr(at, end - at));
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string section = name_from(in);
    const std::string key = name_from(in);
    std::string value(in.bytes(in.byte() % 2 ? in.byte() : 2100));
    struct Probe {
        std::string section, key, before;
    };
    std::vector<Probe> probes(4);
    for (Probe& p : probes) {
        p.section = name_from(in);
        p.key = name_from(in);
    }
    const std::string original(in.rest());
    const std::string detail = "[" + section + "] " + key + "=" + fuzz::shown(value) + " into " + fuzz::shown(original);

    IniFile file = IniFile::parse(original);
    for (Probe& p : probes) p.before = file.value(p.section, p.key);
    const std::vector<std::string> old_lines = lines_of(file.bytes());
    file.set_value(section, key, value);
    const std::string written = file.bytes();

    const IniFile again = IniFile::parse(written);
    FUZZ_CHECK(again.value(section, key) == read_back(value),
               "read back \"" + fuzz::shown(again.value(section, key)) + "\": " + detail);
    for (const Probe& p : probes) {
        if (same_name(p.section, section) && same_name(p.key, key)) continue;
        FUZZ_CHECK(again.value(p.section, p.key) == p.before,
                   "[" + p.section + "] " + p.key + " changed to \"" + fuzz::shown(again.value(p.section, p.key)) +
                       "\": " + detail);
    }

    // The old lines, in order, with one of them replaced or with the new entry (and a new section
    // header after an empty line) put in.
    const std::vector<std::string> new_lines = lines_of(written);
    FUZZ_CHECK(new_lines.size() >= old_lines.size() && new_lines.size() <= old_lines.size() + 3,
               "line count " + std::to_string(old_lines.size()) + " -> " + std::to_string(new_lines.size()) + ": " +
                   detail);
    // (A Windows-1252 file that would now read as UTF-8 is written as UTF-8: its lines compare in
    // that form.)
    std::vector<std::string> old_utf8;
    for (const std::string& line : old_lines) old_utf8.push_back(text::cp1252_to_utf8(line));
    const auto kept = [&](const std::vector<std::string>& old) {
        std::size_t o = 0, changed = 0;
        for (std::size_t i = 0; i < new_lines.size(); ++i) {
            if (o < old.size() && new_lines[i] == old[o]) {
                ++o;
            } else if (new_lines.size() == old.size()) {
                ++o, ++changed;
            }
        }
        return o == old.size() && changed <= 1;
    };
    FUZZ_CHECK(kept(old_lines) || kept(old_utf8), "other lines changed: " + detail);

    // Through a disk file, as the program writes and the next start reads (sampled: each write is
    // flushed to the disk, which fuzzing every input could not afford).
    if (fuzz::kReplay || (size > 1 && data[size - 1] == 0x5a && data[size - 2] % 8 == 0)) {
        static const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("ijken-fuzz-lang-" + std::to_string(::getpid()) + ".tln");
        text::ini_write(path, section, key, value);
        FUZZ_CHECK(text::ini_read(path, section, key) == read_back(value), "ini_write then ini_read: " + detail);
        text::IniFile::parse(original).save(path);
        text::ini_write(path, section, key, value);
        FUZZ_CHECK(IniFile::read(path).bytes() == written, "the file on disk: " + detail);
        std::filesystem::remove(path);
    }
    return 0;
}
