// The commands and their options, each option declared once with its help text.
#include "app/command_table.h"

#include <sstream>

namespace ijken::app {

namespace {

const OptionSpec kDb{"--db", "PATH", ValueKind::text,
                     "the database (default: ijken.db where the window keeps it);\nit must exist"};
const OptionSpec kShipId{"--ship", "ID", ValueKind::whole_number, "the ship (default: the selected ship)"};
const OptionSpec kWarnings{"--warnings", "", ValueKind::flag,
                           "adds an eleventh field: what the main window warns about (immersion\n"
                           "outside the gauge table, port and starboard more than 10 cm apart,\n"
                           "a point left at 0), separated by \"; \"; empty when nothing"};
const OptionSpec kSurveyId{"--survey", "ID", ValueKind::whole_number,
                           "the Opnameid of one of the ship's surveys (default: its newest)"};
const OptionSpec kLang{"--lang", "nl|fr|de", ValueKind::language,
                       "the report's language (default: the language stored with\nthe survey)"};
const OptionSpec kCsv{"--output", "FILE.csv", ValueKind::text, "the CSV file, replaced whole or left as it was"};
const OptionSpec kCopy{"--output", "FILE", ValueKind::text, "the copy, put there only when it is checked"};
const OptionSpec kPdf{"--output", "FILE.pdf", ValueKind::text, "the PDF file, replaced whole or left as it was"};
const OptionSpec kTo{"--to", "CONNINFO", ValueKind::text,
                     "the office's database: a libpq connection string or URI"};
const OptionSpec kFrom{"--from", "CONNINFO", ValueKind::text,
                       "the office's database: a libpq connection string or URI"};
const OptionSpec kShipName{"--ship", "NAME", ValueKind::text, "only the surveys of the ships of that name"};
const OptionSpec kSince{"--since", "YYYY-MM-DD", ValueKind::date, "only surveys entered on or after that day (UTC)"};
const OptionSpec kUntil{"--until", "YYYY-MM-DD", ValueKind::date, "only surveys entered on or before that day (UTC)"};
const OptionSpec kSurveyKey{"--survey", "INSTALLATION:OPNAMEID", ValueKind::survey_key,
                            "the survey: the barge's installation id and its Opnameid; when a number\n"
                            "came back after a delete, INSTALLATION:OPNAMEID~N names the N-th survey\n"
                            "that had it (N = 1, 2 ...), as the Opnameid column of --deleted shows"};
const OptionSpec kDeleted{"--deleted", "", ValueKind::flag,
                          "also the surveys deleted on board, with the time they went"};
const OptionSpec kText{"--text", "TEXT", ValueKind::text,
                       "only the surveys with that text (ignoring case) in the ship's name,\na party's name, place or telephone, or the cargo"};
const OptionSpec kRestoredInstallation{"--installation", "UUID", ValueKind::text,
                                       "the installation to restore (default: the role's own; an office\n"
                                       "role that reads several installations must name one)"};
const OptionSpec kNewDb{"--output", "FILE", ValueKind::text, "the new database; it must not exist"};
const OptionSpec kInstallation{"--installation", "UUID", ValueKind::text, "the barge's installation id"};
const OptionSpec kOfficeName{"--name", "TEXT", ValueKind::text,
                             "the office's name for it (at most 100 characters); without it,\nthe barge goes by its role's name again"};
const OptionSpec kListen{"--listen", "ADDR:PORT", ValueKind::text,
                         "where to listen (default 127.0.0.1:8080; port 0: a free one,\nnamed on standard output)"};

}  // namespace

namespace commands {

const CommandSpec compute{
    "compute",
    {{&kDb}, {&kShipId}, {&kWarnings}},
    "compute surveys read from standard input",
    "reads one survey a line, 21 fields separated by tabs: port empty 1-5, starboard empty\n"
    "1-5, port loaded 1-5, starboard loaded 1-5, and the salt-correction factor (for example\n"
    "1.000). For each line it writes the ten result cells, separated by tabs, in the order\n"
    "total empty, total loaded, mean empty, mean loaded, immersion empty, immersion loaded,\n"
    "tonnage empty, tonnage loaded, cargo, cargo with salt correction (e01 e02 e11 e12 e21\n"
    "e22 e31 e32 e42 e52), computed as the main window does. A gauge table is extended in\n"
    "the database when an immersion lies outside it, as in the main window. Bad input stops\n"
    "with a message and exit status 1."};

const CommandSpec export_{
    "export",
    {{&kDb}, {&kShipId}, {&kCsv, true}},
    "write the ship's surveys with their results as CSV",
    "writes a header line and a line per survey of the ship: readings, parties, cargo and the\n"
    "ten result cells, as CSV (RFC 4180, UTF-8). Any other failure gives one line on standard\n"
    "error and exit status 1."};

const CommandSpec backup{
    "backup",
    {{&kDb}, {&kCopy, true}},
    "copy the database safely, also while it is in use",
    "copies the database with SQLite's online backup, checks the copy with PRAGMA\n"
    "integrity_check and only then puts it at FILE."};

const CommandSpec report{
    "report",
    {{&kDb}, {&kShipId}, {&kSurveyId}, {&kLang}, {&kPdf, true}},
    "write a survey's report as PDF",
    "writes the one-page report of a survey, exactly as the report window's \"Opslaan als PDF\"\n"
    "does after the program was started on the ship and the survey shown. Any other failure\n"
    "gives one line on standard error and exit status 1."};

const CommandSpec push{
    "push",
    {{&kDb}, {&kTo, true}},
    "send ships, gauge tables and surveys to the office",
    "sends the database to the office's PostgreSQL database in one transaction. CONNINFO is\n"
    "a libpq connection string or URI (\"host=office dbname=fleet user=anna\",\n"
    "\"postgresql://anna@office/fleet?sslmode=require\"); passwords come from PGPASSWORD,\n"
    "~/.pgpass or a service file. A server that cannot be reached gives one line and exit\n"
    "status 1; a malformed CONNINFO exit status 2. A push waits at most 20 s for another push\n"
    "of the same barge (\"busy; try again\"), and gives up on an office that stays silent\n"
    "for 90 s."};

const CommandSpec restore{
    "restore",
    {{&kFrom, true}, {&kRestoredInstallation}, {&kNewDb, true}},
    "make a barge's database again from the office's copy",
    "writes a new database holding the installation's ships with their current particulars\n"
    "and gauge tables and its surveys not deleted on board, as the barge last sent them, and\n"
    "the installation id, so that the barge goes on pushing as itself. Connect as the barge's\n"
    "own role (or an office role with --installation). It never writes over a file."};

const CommandSpec office_init{"office init", {{&kTo, true}}, "create the office's tables, or bring them up to date",
                               "tables made by an earlier ijken are brought up to date by their owner."};

const CommandSpec office_surveys{
    "office surveys",
    {{&kFrom, true}, {&kShipName}, {&kSince}, {&kUntil}, {&kDeleted}, {&kText}, {&kCsv, true}},
    "write every survey of the fleet as CSV",
    "dates are UTC entry days, both days included; a survey whose entry date is not a day\n"
    "(empty, or in another form) is kept by --since and --until, and counted in the summary."};

const CommandSpec office_report{
    "office report",
    {{&kFrom, true}, {&kSurveyKey, true}, {&kLang}, {&kPdf, true}},
    "write a survey's report from the office's copy",
    ""};

const CommandSpec office_serve{
    "office serve",
    {{&kFrom, true}, {&kListen}},
    "the office in the browser",
    "serves the office's pages over HTTP until SIGINT or SIGTERM; everyone logs in with their\n"
    "own PostgreSQL role, so CONNINFO names the server and database, not the user."};

const CommandSpec office_name{
    "office name",
    {{&kTo, true}, {&kInstallation, true}, {&kOfficeName}},
    "give a barge the office's name",
    "the office's pages and the view ijken.barges show that name instead of the barge's role\n"
    "name. The office's roles may set it, the barge's own role may not."};

}  // namespace commands

namespace {

void describe(std::ostream& out, const CommandSpec& command) {
    out << "  " << usage_line(command) << "\n      " << command.summary << "\n";
    for (const CommandOption& o : command.options) {
        std::string head = "      ";
        head.append(o.option->name);
        if (!o.option->value_name.empty()) head.append(" ").append(o.option->value_name);
        out << head;
        std::istringstream help{std::string(o.option->help)};
        std::string line;
        bool first = true;
        while (std::getline(help, line)) {
            if (first && head.size() < 34) out << std::string(34 - head.size(), ' ') << line << "\n";
            else out << (first ? "\n" : "") << std::string(34, ' ') << line << "\n";
            first = false;
        }
    }
    if (!command.notes.empty()) {
        std::istringstream notes{std::string(command.notes)};
        std::string line;
        while (std::getline(notes, line)) out << "      " << line << "\n";
    }
}

}  // namespace

std::string help_text() {
    std::ostringstream out;
    out << "Usage:\n"
           "  ijken [toolkit options]     open the main window (e.g. -platform offscreen)\n"
           "  ijken --help                show this text\n"
           "  ijken --version             show the version\n"
           "\n"
           "Commands (an unknown, repeated or malformed option ends a command with status 2):\n";
    for (const CommandSpec* c : {&commands::compute, &commands::export_, &commands::backup, &commands::report,
                                 &commands::push, &commands::restore, &commands::office_init, &commands::office_surveys,
                                 &commands::office_report, &commands::office_serve, &commands::office_name}) {
        out << "\n";
        describe(out, *c);
    }
    return out.str();
}

}  // namespace ijken::app
