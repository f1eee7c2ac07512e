#include "core/survey/survey_export.h"

#include <array>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "core/data/own_files.h"
#include "core/data/sqlite_database.h"
#include "core/store/surveys.h"
#include "core/survey/gauge_lookup.h"
#include "core/survey/survey_value.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using text::cp1252_to_utf8;

namespace {

// Stored columns, as the file's header names them.
constexpr const char* kPartyColumns[7] = {"Verlader_Naam",  "Verlader_Plaats",  "Verlader_Telefoon",
                                          "Ontvanger_Naam", "Ontvanger_Plaats", "Ontvanger_Telefoon",
                                          "Lading"};
constexpr const char* kResultHeaders[10] = {
    "Totaal leeg",   "Totaal vol",   "Gemiddeld leeg", "Gemiddeld vol", "Inzinking leeg",
    "Inzinking vol", "Tonnage leeg", "Tonnage vol",    "Geladen",       "Zout correctie"};

class CsvLine {
  public:
    explicit CsvLine(std::ostream& out) : out_(out) {}
    CsvLine& operator<<(std::string_view utf8) {
        if (!first_) out_ << ',';
        first_ = false;
        out_ << csv_field(utf8);
        return *this;
    }
    ~CsvLine() { out_ << "\r\n"; }

  private:
    std::ostream& out_;
    bool first_ = true;
};

}  // namespace

std::string csv_field(std::string_view utf8) {
    std::string value(utf8);
    if (!value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos &&
        !text::parse_double(value)) {
        value.insert(0, 1, '\'');
    }
    if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

ExportResult write_surveys_csv(const std::string& db_pad, const ShipRecord& ship, std::ostream& out) {
    std::unique_ptr<data::SQLiteTable> t;
    {
        data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
        t = store::ship_surveys_in_order(db, ship.params.SchipID);
    }
    // Computed from a copy of the gauge table: the export reads and never writes, also where the
    // main window would extend the table first.
    MemoryGaugeTable table = MemoryGaugeTable::read(db_pad, ship.params.SchipID);

    out << "\xEF\xBB\xBF";
    {
        CsvLine header(out);
        header << "Opnameid"
               << "Schip"
               << "InvoerDatum (UTC)";
        for (const char* c : kPartyColumns) header << c;
        header << "Taal"
               << "ZoutCorrectie";
        for (const std::string& c : reading_columns()) header << c;
        for (const char* h : kResultHeaders) header << h;
    }

    ExportResult result;
    const std::string ship_name = cp1252_to_utf8(ship.name);
    for (; !t->AtEnd(); t->Next()) {
        auto column = [&](const std::string& name) { return t->AsString(t->FieldIndex(name)); };
        const std::string survey_id = column("Opnameid");

        SurveyInput input;
        for (std::size_t i = 0; i < 20; ++i) input.readings[i] = column(reading_columns()[i]);
        // The main window's factor field shows the stored number with three decimals, and computes
        // from what it shows.
        input.salt_correction = text::format_fixed(t->AsFloat(t->FieldIndex("ZoutCorrectie")), 3, 5);

        ResultCells cells;
        try {
            cells = recompute(table, ship.params, input).cells;
        } catch (const std::exception& e) {
            // The main window shows such an error and computes nothing either: say so and go on
            // with the other surveys.
            result.problems.push_back("Opname " + survey_id + ": " + e.what());
        }

        CsvLine line(out);
        line << survey_id << ship_name << column("InvoerDatum");
        for (const char* c : kPartyColumns) line << cp1252_to_utf8(column(c));
        line << column("Taal") << input.salt_correction;
        for (const std::string& r : input.readings) line << cp1252_to_utf8(r);
        for (const std::string* c : {&cells.e01, &cells.e02, &cells.e11, &cells.e12, &cells.e21, &cells.e22,
                                     &cells.e31, &cells.e32, &cells.e42, &cells.e52}) {
            line << *c;
        }
        ++result.surveys;
    }
    return result;
}

ExportResult export_surveys(const std::string& db_pad, const ShipRecord& ship,
                            const std::filesystem::path& file) {
    data::check_output_path(file);
    try {
        text::PendingFile pending(file);
        std::ostringstream out;
        const ExportResult result = write_surveys_csv(db_pad, ship, out);
        pending.write(out.view());
        pending.commit();
        return result;
    } catch (const text::FileWriteError& e) {
        data::throw_output_error(file, e);
    }
}

}  // namespace ijken::survey
