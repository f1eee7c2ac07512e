// Extra > Opnames exporteren (CSV): the selected ship's surveys to a file the user chooses.
#include <stdexcept>
#include <string_view>

#include "core/data/own_files.h"
#include "core/main_window/form1.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_export.h"
#include "core/text/file_writer.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

// A ship's name as a file name: the characters file systems refuse become "_".
std::string file_name_from(const std::string& name, const std::string& fallback) {
    std::string s;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        s += (u < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) ? '_' : c;
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
    return s.empty() ? fallback : s;
}

}  // namespace

// Asks for a file first; a run without the save-file dialog (a headless test) offers nothing.
void Form1::Exporteren1Click() {
    if (services.files == nullptr) return;
    const std::optional<ShipRecord> ship = read_ship(session().database(), session().ship_id());
    if (!ship) throw std::runtime_error(message_text("tx_geen_schip"));
    const auto file = services.files->save_file({message_text("tx_exporteren"),
                                                 file_name_from(ship->name, "opnames") + ".csv",
                                                 message_text("tx_csv_filter") + "|*.csv", "csv"});
    if (!file) return;
    data::refuse_own_file(*file, own_files());
    const ExportResult result = export_surveys(session().database(), *ship, *file);
    std::string message = message_text(result.surveys == 1 ? "tx_een_geexporteerd" : "tx_geexporteerd",
                                       {text::format_int(result.surveys), text::display_path(*file)});
    if (!result.problems.empty()) {
        message += "\n\n" + message_text("tx_niet_berekend");
        for (const std::string& p : result.problems) message += "\n" + p;
    }
    dialogs_.information(message);
}

}  // namespace ijken::survey
