#pragma once
// A ship's surveys as a CSV file for the office: every survey with its readings, parties and cargo
// and the ten result cells computed as the main window computes them. RFC 4180: fields separated
// by commas, lines ending in CR LF, a field with a comma, a quote or a line end quoted with its
// quotes doubled; UTF-8 with a byte order mark, which spreadsheets need to read it as UTF-8.
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/survey/ship_record.h"

namespace ijken::survey {

struct ExportResult {
    int surveys = 0;  // rows written
    // Surveys whose results could not be computed (their result cells are left empty), as
    // Windows-1252 messages "Opname 7: ...".
    std::vector<std::string> problems;
};

// Writes the header and one line per survey of the ship, in the main window's order (order of
// entry). The results are computed on a copy of the gauge table in memory, so that a survey
// outside the table gets the figures the main window shows without the table being extended in
// the database. Database errors propagate.
ExportResult write_surveys_csv(const std::string& db_pad, const ShipRecord& ship, std::ostream& out);

// The same into a file, written under a temporary name and renamed when complete, so that a
// failure leaves no partial file. Throws std::runtime_error when the file cannot be written.
ExportResult export_surveys(const std::string& db_pad, const ShipRecord& ship,
                            const std::filesystem::path& file);

// One UTF-8 field as RFC 4180 writes it. A text that a spreadsheet would take for a formula (it
// starts with =, +, -, @, a tab or a CR and is not a plain number) gets a leading apostrophe, so
// that opening the file cannot run anything a name was made to hold.
std::string csv_field(std::string_view utf8);

}  // namespace ijken::survey
