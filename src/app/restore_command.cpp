#include "app/restore_command.h"

#include <ostream>

#include "app/command_options.h"
#include "app/command_table.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/restore.h"

namespace ijken::app {

namespace {

int restore(int argc, char** argv, std::ostream& out) {
    ParsedOptions o;
    try {
        o = parse_options(commands::restore, argc, argv);
    } catch (const UsageError& e) {
        throw fleet::FleetError(e.what(), 2);
    }
    fleet::PgConnection db(*o.text("--from"), fleet::kReadLimits);
    const std::string output = *o.text("--output");
    const fleet::RestoreSummary s = fleet::restore_installation(db, o.text("--installation"), output);
    out << "ijken restore: " << output << " holds installation " << s.installation << ": "
        << text::format_int(s.ships) << (s.ships == 1 ? " ship, " : " ships, ") << text::format_int(s.gauge_rows)
        << (s.gauge_rows == 1 ? " gauge table row and " : " gauge table rows and ") << text::format_int(s.surveys)
        << (s.surveys == 1 ? " survey\n" : " surveys\n");
    return 0;
}

}  // namespace

int run_restore(int argc, char** argv, std::ostream& out, std::ostream& err) {
    try {
        return restore(argc, argv, out);
    } catch (const fleet::FleetError& e) {
        err << "ijken restore: " << e.what() << "\n";
        return e.exit_status();
    } catch (const std::exception& e) {
        err << "ijken restore: " << fleet::one_line(text::cp1252_to_utf8(e.what())) << "\n";
        return 1;
    }
}

}  // namespace ijken::app
