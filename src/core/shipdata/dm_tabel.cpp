#include "core/shipdata/dm_tabel.h"

#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using text::format_int;

namespace {

// The text with its first comma read as the decimal point, as the readings are read.
std::string met_punt(std::string_view text) {
    std::string t(text);
    if (const auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    return t;
}

bool leeg(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string cm(int inzinking) {
    return format_int(inzinking) + " cm";
}

// Checks a tonnage text and gives its value with four decimals. The text is not empty.
double tonnage_waarde(std::string_view text, int inzinking) {
    const std::string t = met_punt(text);
    const text::Fixed4 f = text::parse_fixed4(t);
    const std::string wat = "De tonnage \"" + text::excerpt(text) + "\" bij " + cm(inzinking);
    switch (f.status) {
        case text::Fixed4::Status::not_a_number:
            throw TabelFout(wat + " is geen getal");
        case text::Fixed4::Status::overflow:
            throw TabelFout(wat + " is te groot");
        case text::Fixed4::Status::ok:
            break;
    }
    if (f.count < 0 || text::parse_double(t).value_or(0) < 0) throw TabelFout(wat + " is negatief");
    return static_cast<double>(static_cast<long double>(f.count) / 10000);
}

}  // namespace

std::vector<int> dm_inzinkingen(int eerste_cm, int laatste_cm) {
    std::vector<int> result;
    long long v = static_cast<long long>(eerste_cm) - 1;
    for (; v <= laatste_cm; v += 10) result.push_back(static_cast<int>(v));
    if (v < static_cast<long long>(laatste_cm) + 10) result.push_back(laatste_cm);
    return result;
}

void controleer_bereik(int eerste_cm, int laatste_cm) {
    if (laatste_cm < eerste_cm) {
        throw TabelFout("De laatste CM (" + format_int(laatste_cm) + ") ligt onder de 1ste ingevulde CM (" +
                        format_int(eerste_cm) + ")");
    }
}

std::optional<double> lees_tonnage(std::string_view text, int inzinking) {
    if (leeg(text)) return std::nullopt;
    return tonnage_waarde(text, inzinking);
}

std::optional<double> cm_tonnage(std::string_view text, int inzinking) {
    if (leeg(text)) return std::nullopt;
    // Checked as in the decimetre table; stored as typed, all its decimals.
    tonnage_waarde(text, inzinking);
    const double value = *text::parse_double(met_punt(text));
    // A short zero ("0", "0.0") clears the row, as it always did.
    if (value == 0 && text.size() <= 3) return std::nullopt;
    return value;
}

CmTabel expandeer(int eerste_cm, int laatste_cm, const std::vector<DmRij>& rijen) {
    controleer_bereik(eerste_cm, laatste_cm);
    const std::size_t n = rijen.size();
    std::vector<int> c(n);
    std::vector<double> t(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string regel = "Regel " + format_int(static_cast<long long>(i) + 1) + " van de DM tabel";
        const auto inzinking = text::parse_int(rijen[i].inzinking);
        if (!inzinking) throw TabelFout(regel + " heeft geen hele inzinking: \"" + text::excerpt(rijen[i].inzinking) + "\"");
        if (*inzinking < -1 || *inzinking > laatste_cm) {
            throw TabelFout(regel + " ligt met " + text::excerpt(rijen[i].inzinking) + " cm buiten de tabel (tot " +
                            format_int(laatste_cm) + " cm); maak de DM tabel opnieuw");
        }
        c[i] = static_cast<int>(*inzinking);
        if (i > 0 && c[i] <= c[i - 1]) {
            throw TabelFout("De inzinkingen van de DM tabel moeten oplopen: " + cm(c[i]) + " na " + cm(c[i - 1]));
        }
        const auto tonnage = lees_tonnage(rijen[i].tonnage, c[i]);
        // The first row stands one centimetre below the table, where the tonnage is 0 and is often
        // left empty; an empty tonnage further up is a line forgotten.
        if (!tonnage && i > 0) throw TabelFout("Bij " + cm(c[i]) + " is geen tonnage ingevuld");
        t[i] = tonnage.value_or(0);
    }

    CmTabel out;
    out.tonnages.assign(static_cast<std::size_t>(laatste_cm) + 1, std::string());
    for (int cc = 0; cc < eerste_cm && cc <= laatste_cm; ++cc) out.tonnages[static_cast<std::size_t>(cc)] = "0.000";
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double step = text::round_to_step(text::ext_div(text::ext_sub(t[i + 1], t[i]), c[i + 1] - c[i]), 0.0001);
        double v = t[i];
        for (int cc = c[i]; cc <= c[i + 1]; ++cc) {
            if (cc >= 0) {
                out.tonnages[static_cast<std::size_t>(cc)] = text::format_fixed(text::round_to_step(v, 0.001), 3, 5);
            }
            v = text::ext_add(v, step);
        }
        out.bovenste_rij = c[i + 1];
    }
    return out;
}

std::string tonnage_tekst(double tonnage) {
    std::string s = text::format_fixed(tonnage, 3);
    if (text::parse_double(s) == tonnage) return s;
    return text::format_general(tonnage);
}

}  // namespace ijken::shipdata
