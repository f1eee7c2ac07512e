#pragma once
// The office pages' texts in Dutch, French and German, and how a request picks its language.
#include <optional>
#include <string>
#include <string_view>

namespace ijken::web {

enum class Lang { nl, fr, de };

// Every text a page shows, by what it says.
enum class Text {
    app_title, fleet, surveys, logout, login, user, password, login_failed, login_intro, language,
    installation, ship, last_received, survey_count, this_month, cargo_per_month, month, loaded,
    chart_caption, filter, since, until, search, apply, all_ships, total_loaded, found, older, newer,
    download_csv, date_utc, shipper, consignee, cargo, no_surveys, survey, readings, port, starboard,
    empty, full, parties, place, phone, results, report, versions, no_versions, replaced_at, changes,
    particulars, certificate, gauge_table, immersion_cm, tonnage, earlier_tables, valid_from, valid_until,
    differing_rows, no_table, deleted_on_board, not_found, bad_date, error, salt_factor, report_language,
    session_ended, curve_caption, name, ship_name, gauge_count, line, min_immersion, max_immersion, now_current, previous_value,
    session_crowded, session_lost, session_role_gone, db_unreachable,
    all_barges, deleted_utc, with_deleted, surveys_of_ship, ship_bearers, survey_bearers, on_board,
    this_one, bore_number, no_ship, entry_date, sort_by,
};

const char* tr(Lang lang, Text text);

const char* code(Lang lang);
std::optional<Lang> lang_from_code(std::string_view code);

// The first of nl, fr and de in an Accept-Language header, by its weight; Dutch when none is.
Lang lang_from_accept(std::string_view header);

// The ten result cells' captions, e01 .. e52.
const char* result_caption(Lang lang, int index);

}  // namespace ijken::web
