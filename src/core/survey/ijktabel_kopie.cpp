#include "core/survey/ijktabel_kopie.h"

#include <algorithm>

#include "core/data/sqlite_database.h"
#include "core/text/numbers.h"

namespace ijken::survey {

IjkTabelKopie IjkTabelKopie::lees(const std::string& db_pad, int schip_id) {
    IjkTabelKopie kopie;
    data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
    auto t = db.Query("select [Inzinking], [Tonnage] from [IJKtable] where [SchipID]=? order by [Inzinking]",
                      {std::int64_t{schip_id}});
    for (; !t->AtEnd(); t->Next()) kopie.tonnages_.emplace(static_cast<int>(t->AsInteger(0)), t->AsFloat(1));
    return kopie;
}

void IjkTabelKopie::verleng(int max_inzinking) {
    // Once per ship, as in the database: a negative row means it was extended before.
    if (std::any_of(tonnages_.begin(), tonnages_.end(), [](const auto& r) { return r.second < 0; })) return;
    // The extension's tonnages go in as text and come back as the column's number.
    auto schrijf = [this](const std::vector<TabelVerlenging>& rijen) {
        for (const TabelVerlenging& rij : rijen)
            tonnages_[rij.inzinking] = text::parse_double(verlenging_tekst(rij.tonnage)).value_or(0);
    };
    auto hoogste_nul = tonnages_.end();
    for (auto it = tonnages_.begin(); it != tonnages_.end(); ++it) {
        if (it->second == 0) hoogste_nul = it;
    }
    if (hoogste_nul != tonnages_.end()) {
        const int b = hoogste_nul->first;
        if (auto boven = tonnages_.find(b + 10); boven != tonnages_.end()) schrijf(verlenging_onder(b, boven->second));
    }
    const auto top = tonnages_.find(max_inzinking);
    const auto onder_top = tonnages_.find(max_inzinking - 1);
    if (top != tonnages_.end() && onder_top != tonnages_.end())
        schrijf(verlenging_boven(max_inzinking, top->second, onder_top->second));
}

IjkResultaat IjkTabelKopie::bereken_toestand(const ShipParams& ship, const std::array<double, 5>& bb,
                                             const std::array<double, 5>& sb) {
    IjkResultaat r = toestand_voor_tabel(ship, bb, sb);
    const bool boven = boven_tabel(r, ship);
    if (vraagt_verlenging(r, ship)) verleng(ship.Max_inzinking);
    auto opgeslagen = [this](int cm) -> std::optional<double> {
        const auto it = tonnages_.find(cm);
        if (it == tonnages_.end()) return std::nullopt;
        return it->second;
    };
    const double laag = tabel_tonnage(opgeslagen(r.cm_laag), boven);
    const double hoog = tabel_tonnage(opgeslagen(r.cm_hoog), boven);
    interpoleer(r, laag, hoog);
    return r;
}

Recomputation IjkTabelKopie::herbereken(const ShipParams& ship, const SurveyInput& input) {
    return herbereken_met(input, [&](const std::array<double, 5>& bb, const std::array<double, 5>& sb) {
        return bereken_toestand(ship, bb, sb);
    });
}

}  // namespace ijken::survey
