#pragma once
// A ship's gauge table read once into memory, for computing many surveys without a query per
// lookup. It computes exactly as the main window does (the same arithmetic, see computation.h),
// and where the main window would extend the stored table first it extends only this copy: a
// window that merely lists surveys must not write to the database.
#include <map>
#include <string>

#include "core/survey/computation.h"

namespace ijken::survey {

class IjkTabelKopie {
  public:
    // Reads the ship's rows of IJKtable on a connection of its own. Database errors propagate.
    static IjkTabelKopie lees(const std::string& db_pad, int schip_id);

    // bereken_toestand and herbereken on this copy.
    IjkResultaat bereken_toestand(const ShipParams& ship, const std::array<double, 5>& bb,
                                  const std::array<double, 5>& sb);
    Recomputation herbereken(const ShipParams& ship, const SurveyInput& input);

    std::size_t rijen() const { return tonnages_.size(); }

  private:
    // verleng_ijktabel on the copy: the same rows, read back as the database would store them.
    void verleng(int max_inzinking);

    std::map<int, double> tonnages_;
};

}  // namespace ijken::survey
