#pragma once
// ijken office serve --from CONNINFO [--listen ADDR:PORT]: the office in the browser.
#include <iosfwd>
#include <string>

namespace ijken::app {

// Returns the exit status; throws fleet::FleetError for a command line to correct (status 2).
int office_serve(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err);

}  // namespace ijken::app
