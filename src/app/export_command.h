#pragma once
#include <iosfwd>
#include <string>

namespace ijken::app {

// ijken export [--db PATH] [--ship ID] --output FILE.csv: the ship's surveys with their results.
int run_export(int argc, char** argv, const std::string& program_dir, std::ostream& out, std::ostream& err);

}  // namespace ijken::app
