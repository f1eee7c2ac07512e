#pragma once
// What the office's pages read, each in one read-only snapshot on the logged-in role's own
// connection: row-level security decides which rows that role sees.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fleet/office.h"
#include "fleet/pg_connection.h"

namespace ijken::web {

// A ship named in a link: INSTALLATION:SCHIPID. (A survey is named as the office's commands name
// it, INSTALLATION:OPNAMEID or INSTALLATION:OPNAMEID~GENERATION: fleet::SurveyName.)
struct RowKey {
    std::string installation;
    long long number = 0;
    std::string text() const { return installation + ":" + std::to_string(number); }
};
std::optional<RowKey> parse_row_key(const std::string& text);

struct FleetShip {
    RowKey key;
    std::string name;
    std::string last_received;  // UTC
    long long surveys = 0;
    std::vector<double> months;  // loaded tonnage, oldest month first (12)
};

struct FleetOverview {
    std::vector<std::string> months;  // "2026-01" ... the current month, 12
    std::vector<FleetShip> ships;
};

// What a role read that only a push can change, shared by the sessions of that role (row-level
// security depends on the role alone): kept with the stamp of the data it was read from (the
// installations' last pushes, and the month), and read again once the stamp differs.
class ReadCache {
  public:
    using Totals = std::pair<long long, double>;  // count and loaded tonnage of a filter
    std::optional<FleetOverview> fleet(const std::string& stamp);
    void keep_fleet(const std::string& stamp, const FleetOverview& fleet);
    std::optional<Totals> totals(const std::string& stamp, const std::string& filter);
    void keep_totals(const std::string& stamp, const std::string& filter, Totals totals);
    // Held while one session reads what is missing, so that the role's other sessions wait for it
    // instead of reading the same at the same time.
    std::mutex& reading() { return reading_; }

  private:
    std::mutex reading_;
    void at(const std::string& stamp);
    std::mutex mutex_;
    std::string stamp_;
    std::optional<FleetOverview> fleet_;
    std::map<std::string, Totals> totals_;
};
FleetOverview read_fleet(fleet::PgConnection& db, ReadCache& cache);

struct SurveyLine {
    RowKey key;
    std::string ship, entered, shipper, consignee, cargo, loaded;
};

// Where a page starts: after (older than) or before (newer than) a survey, or at the newest.
struct PageStart {
    enum class Direction { newest, older_than, newer_than } direction = Direction::newest;
    std::string entered;
    RowKey key;
};
std::string page_start_text(const SurveyLine& line);
std::optional<PageStart> parse_page_start(PageStart::Direction direction, const std::string& text);

struct SurveyPage {
    std::vector<SurveyLine> lines;  // newest first
    bool has_older = false, has_newer = false;
    long long count = 0;             // of the whole filter
    double loaded_sum = 0;           // of the whole filter
};
inline constexpr int kPageSize = 100;
SurveyPage read_survey_page(fleet::PgConnection& db, const fleet::SurveyFilter& filter, const PageStart& start,
                            ReadCache& cache);

// The ship names the role sees, for the filter's choice.
std::vector<std::string> read_ship_names(fleet::PgConnection& db);

// A survey's stored columns by name, in the order of survey_columns().
struct SurveyState {
    std::vector<std::optional<std::string>> values;
    std::string time;  // pushed_at of the state now, replaced_at of an earlier one
};
const std::vector<std::string>& survey_columns();
struct SurveyDetail {
    fleet::SurveyName name;
    RowKey ship_key;
    std::string ship_name;
    bool deleted = false;
    SurveyState now;
    std::vector<SurveyState> earlier;  // newest first
    std::string link() const;          // INSTALLATION:OPNAMEID[~G] of this very survey
};
std::optional<SurveyDetail> read_survey(fleet::PgConnection& db, const fleet::SurveyName& name);

struct GaugeRow {
    long long immersion = 0;
    double tonnage = 0;
};
struct GaugeTable {
    std::string valid_from, valid_until;
    std::vector<GaugeRow> rows;
};
struct ShipDetail {
    RowKey key;
    std::vector<std::pair<std::string, std::string>> particulars;  // column, value
    bool deleted = false;
    std::optional<GaugeTable> current;
    std::vector<GaugeTable> earlier;  // newest first
};
std::optional<ShipDetail> read_ship(fleet::PgConnection& db, const RowKey& key);

}  // namespace ijken::web
