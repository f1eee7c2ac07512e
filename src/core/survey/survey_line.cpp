#include "core/survey/survey_line.h"

#include <vector>

#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

std::vector<std::string_view> split_tabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return fields;
}

}  // namespace

SurveyLine parse_survey_line(std::string_view line) {
    SurveyLine result;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto fields = split_tabs(line);
    if (fields.size() != 21) {
        result.error = "expected 21 tab-separated fields, found " +
                       text::format_int(static_cast<long long>(fields.size()));
        return result;
    }
    SurveyInput input;
    try {
        for (std::size_t i = 0; i < 20; ++i) input.readings[i] = text::utf8_to_cp1252(fields[i]);
        input.salt_correction = text::utf8_to_cp1252(fields[20]);
    } catch (const text::EncodingError& e) {
        // This message is UTF-8 already: it names a character Windows-1252 does not have.
        result.error = e.what();
        return result;
    }
    result.input = std::move(input);
    return result;
}

std::string format_result_line(const ResultCells& c) {
    std::string out;
    for (const std::string* cell :
         {&c.e01, &c.e02, &c.e11, &c.e12, &c.e21, &c.e22, &c.e31, &c.e32, &c.e42, &c.e52}) {
        if (!out.empty()) out += '\t';
        out += *cell;
    }
    return out;
}

}  // namespace ijken::survey
