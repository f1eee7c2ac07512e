#pragma once
// The fleet office's commands: a barge pushes its database to the office's PostgreSQL database,
// the office lists every survey and writes a survey's report from its central copy.
#include <iosfwd>
#include <string>

namespace ijken::app {

// ijken push [--db PATH] --to CONNINFO
int run_push(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err);

// ijken office init --to CONNINFO
// ijken office surveys --from CONNINFO [--ship NAME] [--since DATE] [--until DATE] --output FILE.csv
// ijken office report --from CONNINFO --survey INSTALLATION:OPNAMEID [--lang L] --output FILE.pdf
int run_office(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err);

}  // namespace ijken::app
