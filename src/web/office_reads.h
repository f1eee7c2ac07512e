#pragma once
// What the office's pages read, each in one read-only snapshot on the logged-in role's own
// connection: row-level security decides which rows that role sees.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/office.h"
#include "fleet/pg_connection.h"

namespace ijken::web {

// A ship named in a link: INSTALLATION:SCHIPID is the newest ship the barge gave that number,
// INSTALLATION:SCHIPID~K the K-th (1, 2 ...) when the number came back after the ship was deleted,
// as surveys are named (fleet::SurveyName). A rename keeps the ship: its versions follow each other
// without a gap; a number that comes back after a delete begins after one.
struct RowKey {
    std::string installation;
    long long number = 0;
    std::optional<int> bearer;  // the K-th ship of the number; none: the newest
    std::string text() const;
};
std::optional<RowKey> parse_row_key(const std::string& text);

// A number as PostgreSQL writes it (float8 or numeric text, "Infinity", "NaN"): beyond the range
// of a double it is infinite, below it zero; never an error.
double parse_number(std::string_view text);

// The names the office gave the installations (or their roles' names), of those the role sees.
std::map<std::string, std::string> read_barges(fleet::PgConnection& db);

struct FleetShip {
    RowKey key;
    std::string name, barge;
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
    using Totals = std::pair<long long, std::string>;  // count and loaded tonnage (exact) of a filter
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
    fleet::SurveyName name;  // with its generation when its number came back
    RowKey ship;             // the ship the survey belongs to, as it was when the survey was sent
    std::string ship_name, barge, entered, shipper, consignee, cargo, loaded;
    std::string deleted;  // when it was deleted on board (UTC), empty while it is not
    long long generation = 1;
};

// What the survey list shows: the office's filter (fleet::SurveyFilter) narrowed to a barge or a
// ship, and a text that is also looked for in the ship's name.
struct ListFilter {
    std::optional<std::string> barge;  // an installation
    std::optional<RowKey> ship;
    std::optional<std::string> ship_name;  // exactly, as the office's command takes it
    std::optional<std::string> since, until, text;
    bool deleted = false;
    std::string key() const;  // the same for the same filter, for the totals kept
};

// The columns the list can be sorted by, each with a stable tie-break (installation, number,
// generation).
enum class SortColumn { date, barge, ship, shipper, consignee, cargo, loaded };
struct Sort {
    SortColumn column = SortColumn::date;
    bool ascending = false;
};
const char* sort_name(SortColumn column);
std::optional<SortColumn> sort_from_name(std::string_view name);

// Where a page starts: at the beginning of the order, or after or before a row of it. The row's
// sort value is carried along when it is short, else read again from the row.
struct PageStart {
    enum class Direction { first, after, before } direction = Direction::first;
    SortColumn column = SortColumn::date;
    std::optional<std::string> value;
    std::string installation;
    long long opnameid = 0, generation = 1;
};
inline constexpr std::size_t kCarriedValue = 256;  // longer sort values are read again
// The cursor of a page's first or last row: base64url of the sort, the row's key and its value;
// at most 460 characters whatever the value.
std::string page_cursor(SortColumn column, const SurveyLine& line, const std::string& sort_value);
std::optional<PageStart> parse_page_cursor(PageStart::Direction direction, std::string_view cursor);

struct SurveyPage {
    std::vector<SurveyLine> lines;        // in the order asked for
    std::vector<std::string> sort_values;  // of each line, for the cursors
    bool has_next = false, has_previous = false;
    long long count = 0;     // of the whole filter
    std::string loaded_sum;  // of the whole filter, exact to three decimals
};
inline constexpr int kPageSize = 100;
SurveyPage read_survey_page(fleet::PgConnection& db, const ListFilter& filter, const Sort& sort,
                            const PageStart& start, ReadCache& cache);

// The ships the filter offers: each current (or last) ship of a number, with its barge's name.
struct ShipChoice {
    RowKey key;
    std::string name, barge;
};
std::vector<ShipChoice> read_ship_choices(fleet::PgConnection& db);

// A survey's stored columns by name, in the order of survey_columns().
struct SurveyState {
    std::vector<std::optional<std::string>> values;
    std::string time;  // pushed_at of the state now, replaced_at of an earlier one
};
const std::vector<std::string>& survey_columns();
// Another survey that bore the same number (deleted on board before the number came back).
struct NumberBearer {
    fleet::SurveyName name;
    std::string deleted;  // UTC, empty for the one on board
    bool shown = false;   // the one this page shows
};
struct SurveyDetail {
    fleet::SurveyName name;
    RowKey ship_key;
    std::string ship_name, barge;
    bool deleted = false;
    bool ship_known = false;             // the survey names a ship the office has
    std::string deleted_at;              // UTC
    std::vector<NumberBearer> bearers;   // every survey of the number, oldest first (when more than one)
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
    RowKey key;     // as asked for
    RowKey named;   // the same ship, named as its links name it (K only for an earlier bearer)
    std::string barge;
    std::vector<std::pair<std::string, std::string>> particulars;  // column, value
    bool deleted = false;
    std::string valid_from, valid_until;  // the period this ship bore the number (UTC; until: empty)
    std::vector<RowKey> bearers;          // every ship of the number, oldest first, when more than one
    std::optional<GaugeTable> current;  // of a deleted ship: the last it had
    std::vector<GaugeTable> earlier;    // newest first
};
std::optional<ShipDetail> read_ship(fleet::PgConnection& db, const RowKey& key);

}  // namespace ijken::web
