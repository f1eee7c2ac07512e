#include "core/shipdata/decimetre_table.h"

#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using text::format_int;

namespace {

// The text with its first comma read as the decimal point, as the readings are read.
std::string with_point(std::string_view text) {
    std::string t(text);
    if (const auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    return t;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string cm(int immersion) {
    return format_int(immersion) + " cm";
}

// Checks a tonnage text and gives its value with four decimals. The text is not empty.
double tonnage_value(std::string_view text, int immersion) {
    const std::string t = with_point(text);
    const text::Fixed4 f = text::parse_fixed4(t);
    const std::string what = "De tonnage \"" + text::excerpt(text) + "\" bij " + cm(immersion);
    switch (f.status) {
        case text::Fixed4::Status::not_a_number:
            throw TableError(what + " is geen getal");
        case text::Fixed4::Status::overflow:
            throw TableError(what + " is te groot");
        case text::Fixed4::Status::ok:
            break;
    }
    if (f.count < 0 || text::parse_double(t).value_or(0) < 0) throw TableError(what + " is negatief");
    return static_cast<double>(static_cast<long double>(f.count) / 10000);
}

}  // namespace

std::vector<int> decimetre_immersions(int first_cm, int last_cm) {
    std::vector<int> result;
    long long v = static_cast<long long>(first_cm) - 1;
    for (; v <= last_cm; v += 10) result.push_back(static_cast<int>(v));
    if (v < static_cast<long long>(last_cm) + 10) result.push_back(last_cm);
    return result;
}

void check_range(int first_cm, int last_cm) {
    if (last_cm < first_cm) {
        throw TableError("De laatste CM (" + format_int(last_cm) + ") ligt onder de 1ste ingevulde CM (" +
                         format_int(first_cm) + ")");
    }
}

std::optional<double> read_tonnage(std::string_view text, int immersion) {
    if (blank(text)) return std::nullopt;
    return tonnage_value(text, immersion);
}

std::optional<double> cm_tonnage(std::string_view text, int immersion) {
    if (blank(text)) return std::nullopt;
    // Checked as in the decimetre table; stored as typed, all its decimals.
    tonnage_value(text, immersion);
    const double value = *text::parse_double(with_point(text));
    // A short zero ("0", "0.0") clears the row, as it always did.
    if (value == 0 && text.size() <= 3) return std::nullopt;
    return value;
}

CentimetreTable expand(int first_cm, int last_cm, const std::vector<DecimetreRow>& rows) {
    check_range(first_cm, last_cm);
    const std::size_t n = rows.size();
    std::vector<int> c(n);
    std::vector<double> t(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string line = "Regel " + format_int(static_cast<long long>(i) + 1) + " van de DM tabel";
        const auto immersion = text::parse_int(rows[i].immersion);
        if (!immersion)
            throw TableError(line + " heeft geen hele inzinking: \"" + text::excerpt(rows[i].immersion) +
                             "\"");
        if (*immersion < -1 || *immersion > last_cm) {
            throw TableError(line + " ligt met " + text::excerpt(rows[i].immersion) +
                             " cm buiten de tabel (tot " + format_int(last_cm) +
                             " cm); maak de DM tabel opnieuw");
        }
        c[i] = static_cast<int>(*immersion);
        if (i > 0 && c[i] <= c[i - 1]) {
            throw TableError("De inzinkingen van de DM tabel moeten oplopen: " + cm(c[i]) + " na " +
                             cm(c[i - 1]));
        }
        const auto tonnage = read_tonnage(rows[i].tonnage, c[i]);
        // The first row stands one centimetre below the table, where the tonnage is 0 and is often
        // left empty; an empty tonnage further up is a line forgotten.
        if (!tonnage && i > 0) throw TableError("Bij " + cm(c[i]) + " is geen tonnage ingevuld");
        t[i] = tonnage.value_or(0);
    }

    CentimetreTable out;
    out.tonnages.assign(static_cast<std::size_t>(last_cm) + 1, std::string());
    for (int cc = 0; cc < first_cm && cc <= last_cm; ++cc)
        out.tonnages[static_cast<std::size_t>(cc)] = "0.000";
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double step =
            text::round_to_step(text::ext_div(text::ext_sub(t[i + 1], t[i]), c[i + 1] - c[i]), 0.0001);
        double v = t[i];
        for (int cc = c[i]; cc <= c[i + 1]; ++cc) {
            if (cc >= 0) {
                out.tonnages[static_cast<std::size_t>(cc)] =
                    text::format_fixed(text::round_to_step(v, 0.001), 3, 5);
            }
            v = text::ext_add(v, step);
        }
        out.top_row = c[i + 1];
    }
    return out;
}

std::string tonnage_text(double tonnage) {
    std::string s = text::format_fixed(tonnage, 3);
    if (text::parse_double(s) == tonnage) return s;
    return text::format_general(tonnage);
}

}  // namespace ijken::shipdata
