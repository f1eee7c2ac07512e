#include "core/survey/computation.h"

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "core/data/sqlite_database.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using text::ext_add;
using text::ext_div;
using text::ext_mul;
using text::ext_sub;
using text::format_fixed;
using text::format_int;
using text::round_to_step;

ReadingOverflow::ReadingOverflow(std::string text)
    : message_("De aflezing \"" + text::excerpt(text) + "\" is te groot om mee te rekenen") {}

std::int64_t waarde_uit_tekst(std::string_view text) {
    std::string t(text);
    if (t.empty()) t = "0.0";
    else if (t.size() == 1) t += ".0";
    if (auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    auto value = text::parse_fixed4(t);
    switch (value.status) {
        case text::Fixed4::Status::ok: return value.count;
        case text::Fixed4::Status::overflow: throw ReadingOverflow(std::string(text));
        case text::Fixed4::Status::not_a_number: break;
    }
    return 0;
}

double reading_value(std::string_view text) {
    return static_cast<double>(static_cast<long double>(waarde_uit_tekst(text)) / 10000);
}

std::array<bool, 5> ijkpunten_in_gebruik(int aantal_ijken) {
    switch (aantal_ijken) {
        case 1: return {false, false, true, false, false};
        case 2: return {true, false, false, false, true};
        case 3: return {true, false, true, false, true};
        case 4: return {true, true, false, true, true};
        case 5: return {true, true, true, true, true};
        default: return {false, false, false, false, false};
    }
}

namespace {

double som(const std::array<double, 5>& v) {
    double s = v[0];
    for (std::size_t i = 1; i < v.size(); ++i) s = ext_add(s, v[i]);
    return s;
}

// The ship's stored tonnage at one whole centimetre, through the step's lookup connection; nothing
// when the table has no such row.
std::optional<double> tonnage_op(data::SQLiteDatabase& db, const ShipParams& ship, int cm) {
    auto rows = db.Query("SELECT * FROM [IJKtable] WHERE [SchipID]=\"" + format_int(ship.SchipID) +
                         "\" and [Inzinking]=\"" + format_int(cm) + "\" limit 1;");
    if (rows->RowCount() == 0) return std::nullopt;
    return rows->AsFloat(rows->FieldIndex("Tonnage"));
}

std::int32_t hele_cm(double x) {
    // A mean far outside any ship (only possible with typed readings) has no whole centimetre that
    // a gauge table could hold; refuse it rather than overflow.
    if (!(x > -2147483000.0 && x < 2147483000.0)) {
        throw std::runtime_error("De inzinking " + format_fixed(x, 1) + " cm valt buiten elke ijktabel");
    }
    return static_cast<std::int32_t>(x);
}

std::string inzinking_statement(int schip_id, int cm, double tonnage) {
    return "INSERT OR REPLACE INTO IJktable(SchipID,Inzinking,Tonnage) VALUES (\"" + format_int(schip_id) + "\",\"" +
           format_int(cm) + "\",\"" + verlenging_tekst(tonnage) + "\");";
}

}  // namespace

IjkResultaat toestand_voor_tabel(const ShipParams& ship, const std::array<double, 5>& bb,
                                 const std::array<double, 5>& sb) {
    if (ship.Aantal_ijken <= 0) {
        throw std::runtime_error("Het schip heeft " + format_int(ship.Aantal_ijken) +
                                 " ijkpunten; er kan geen gemiddelde worden bepaald");
    }
    IjkResultaat r;
    r.som_bb = som(bb);
    r.som_sb = som(sb);
    r.totaal = ext_add(r.som_bb, r.som_sb);
    r.gemiddeld = round_to_step(ext_div(r.totaal, 2.0 * ship.Aantal_ijken), 0.1);
    r.inzinking = ext_sub(ship.Max_inzinking, r.gemiddeld);

    // The interpolation weight is the distance above the lower whole centimetre; for a positive
    // immersion that is its fractional part.
    double afgerond = round_to_step(r.inzinking, 0.1);
    r.fractie = ext_sub(afgerond, std::floor(afgerond));
    r.cm_laag = hele_cm(std::floor(r.inzinking));
    r.cm_hoog = hele_cm(std::ceil(r.inzinking));
    if (r.cm_hoog == r.cm_laag) r.cm_hoog = r.cm_laag + 1;
    return r;
}

bool boven_tabel(const IjkResultaat& r, const ShipParams& ship) {
    return r.inzinking > ship.Max_inzinking;
}

bool vraagt_verlenging(const IjkResultaat& r, const ShipParams& ship) {
    return r.inzinking < ship.Min_inzinking - 1 || boven_tabel(r, ship);
}

double tabel_tonnage(std::optional<double> opgeslagen, bool boven) {
    if (!opgeslagen) return 0;
    double t = *opgeslagen;
    // Above the table the extension stores the continuation negated.
    if (boven && t < 0) t = -t;
    return t;
}

void interpoleer(IjkResultaat& r, double tonnage_laag, double tonnage_hoog) {
    r.tonnage_laag = tonnage_laag;
    r.tonnage_hoog = tonnage_hoog;
    r.per_cm = ext_sub(r.tonnage_hoog, r.tonnage_laag);
    r.fractie_tonnage = round_to_step(ext_mul(r.per_cm, r.fractie), 0.001);
    r.tonnage = round_to_step(ext_add(r.tonnage_laag, r.fractie_tonnage), 0.001);
}

IjkResultaat bereken_toestand(const std::string& db_pad, const ShipParams& ship, const std::array<double, 5>& bb,
                              const std::array<double, 5>& sb) {
    IjkResultaat r = toestand_voor_tabel(ship, bb, sb);
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    const bool boven = boven_tabel(r, ship);
    if (vraagt_verlenging(r, ship)) verleng_ijktabel(db_pad, ship.SchipID, ship.Max_inzinking);
    const double laag = tabel_tonnage(tonnage_op(db, ship, r.cm_laag), boven);
    const double hoog = tabel_tonnage(tonnage_op(db, ship, r.cm_hoog), boven);
    interpoleer(r, laag, hoog);
    return r;
}

std::vector<TabelVerlenging> verlenging_onder(int hoogste_nul, double tonnage_10_erboven) {
    std::vector<TabelVerlenging> rijen;
    const double stap = ext_div(tonnage_10_erboven, 10);
    double v = 0;
    for (int k = 1; k <= 30; ++k) {
        v = ext_sub(v, stap);
        rijen.push_back({hoogste_nul - k, v});
    }
    return rijen;
}

std::vector<TabelVerlenging> verlenging_boven(int max_inzinking, double top, double onder_top) {
    std::vector<TabelVerlenging> rijen;
    double v = -top;
    const double helling = ext_sub(top, onder_top);
    for (int k = 1; k <= 30; ++k) {
        v = ext_sub(v, helling);
        rijen.push_back({max_inzinking + k, v});
    }
    return rijen;
}

std::string verlenging_tekst(double tonnage) {
    return format_fixed(tonnage, 3, 5);
}

void verleng_ijktabel(const std::string& db_pad, int schip_id, int max_inzinking) {
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    db.BeginTransaction();
    const std::string schip = format_int(schip_id);
    auto stappen = [&] {
        // A negative row means the table was extended before.
        if (db.Query("select Inzinking from [IJKtable] where [Tonnage] < 0 and [SchipID]=" + schip)->RowCount() > 0) {
            return;
        }
        // Below: continue the mean tonnage per centimetre of the ten centimetres above the highest
        // zero row downward, as negative tonnages.
        auto nul = db.Query("select Inzinking from [IJKtable] where [Tonnage] = 0 and [SchipID]=" + schip +
                            " order BY [Inzinking] desc  LIMIT 1;");
        if (nul->RowCount() > 0) {
            const auto b = static_cast<int>(nul->AsInteger(nul->FieldIndex("Inzinking")));
            auto boven = db.Query("select [Tonnage] from [IJKtable] where [Inzinking] = " + format_int(b + 10) +
                                  " and [SchipID]=" + schip + " LIMIT 1;");
            if (boven->RowCount() > 0) {
                for (const TabelVerlenging& rij : verlenging_onder(b, boven->AsFloat(boven->FieldIndex("Tonnage"))))
                    db.Execute(inzinking_statement(schip_id, rij.inzinking, rij.tonnage));
            }
        }
        // Above: the straight continuation of the last centimetre, stored negated.
        auto top_rij = db.Query("select [Tonnage] from [IJKtable] where [Inzinking] = " + format_int(max_inzinking) +
                                " and [SchipID]=" + schip + " LIMIT 1;");
        if (top_rij->RowCount() > 0) {
            const double top = top_rij->AsFloat(top_rij->FieldIndex("Tonnage"));
            auto onder_top = db.Query("select [Tonnage] from [IJKtable] where [Inzinking] = " +
                                      format_int(max_inzinking - 1) + " and [SchipID]=" + schip + " LIMIT 1;");
            if (onder_top->RowCount() > 0) {
                for (const TabelVerlenging& rij :
                     verlenging_boven(max_inzinking, top, onder_top->AsFloat(onder_top->FieldIndex("Tonnage"))))
                    db.Execute(inzinking_statement(schip_id, rij.inzinking, rij.tonnage));
            }
        }
    };
    try {
        stappen();
    } catch (...) {
        // What was written before the error stays: commit it, then let the error go on.
        try {
            db.Commit();
        } catch (...) {
        }
        throw;
    }
    db.Commit();
}

Recomputation herbereken(const std::string& db_pad, const ShipParams& ship, const SurveyInput& input) {
    return herbereken_met(input, [&](const std::array<double, 5>& bb, const std::array<double, 5>& sb) {
        return bereken_toestand(db_pad, ship, bb, sb);
    });
}

Recomputation herbereken_met(const SurveyInput& input, const Toestandberekening& toestand) {
    // Every reading is converted before anything is computed, so a reading that cannot be held
    // changes nothing at all.
    std::array<double, 20> v;
    for (std::size_t i = 0; i < 20; ++i) v[i] = reading_value(input.readings[i]);
    auto deel = [&](std::size_t from) {
        return std::array<double, 5>{v[from], v[from + 1], v[from + 2], v[from + 3], v[from + 4]};
    };

    Recomputation r;
    r.leeg = toestand(deel(0), deel(5));
    r.vol = toestand(deel(10), deel(15));
    const double geladen = ext_sub(r.vol.tonnage, r.leeg.tonnage);
    const double zout = text::parse_double(input.zout_correctie).value_or(1.0);

    auto& c = r.cells;
    c.e01 = format_fixed(r.leeg.totaal, 1, 3);
    c.e02 = format_fixed(r.vol.totaal, 1, 3);
    c.e11 = format_fixed(r.leeg.gemiddeld, 1, 3);
    c.e12 = format_fixed(r.vol.gemiddeld, 1, 3);
    c.e21 = format_fixed(r.leeg.inzinking, 1, 3);
    c.e22 = format_fixed(r.vol.inzinking, 1, 3);
    c.e31 = format_fixed(r.leeg.tonnage, 3, 3);
    c.e32 = format_fixed(r.vol.tonnage, 3, 3);
    c.e42 = format_fixed(geladen, 3, 3);
    c.e52 = format_fixed(ext_mul(zout, geladen), 3, 3);
    return r;
}

}  // namespace ijken::survey
