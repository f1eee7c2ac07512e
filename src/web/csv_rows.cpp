#include "web/csv_rows.h"

#include <algorithm>
#include <cctype>

namespace ijken::web {

namespace {

bool same_text(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

CsvRows::CsvRows(std::ostream& out, CsvNarrowing narrowing) : out_(out), narrowing_(std::move(narrowing)) {}

CsvRows::~CsvRows() {
    // A last record without its line end (the writer never leaves one) is dropped.
}

int CsvRows::overflow(int c) {
    if (c != traits_type::eof()) put(static_cast<char>(c));
    return 0;
}

std::streamsize CsvRows::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) put(s[i]);
    return n;
}

void CsvRows::put(char c) {
    record_ += c;
    if (c == '"') quoted_ = !quoted_;
    if (c == '\n' && !quoted_ && record_.size() >= 2 && record_[record_.size() - 2] == '\r') end_record();
}

void CsvRows::end_record() {
    bool keep = header_;
    if (!header_) {
        // The installation and the ship's number are the first two fields, never quoted.
        const auto first = record_.find(',');
        const auto second = first == std::string::npos ? std::string::npos : record_.find(',', first + 1);
        if (second != std::string::npos) {
            const std::string_view line = record_;
            keep = (!narrowing_.installation || same_text(line.substr(0, first), *narrowing_.installation)) &&
                   (!narrowing_.ship || line.substr(first + 1, second - first - 1) == *narrowing_.ship);
        }
    }
    if (keep) {
        out_.write(record_.data(), static_cast<std::streamsize>(record_.size()));
        if (!header_) ++passed_;
    }
    header_ = false;
    record_.clear();
}

}  // namespace ijken::web
