#pragma once
// ijken restore --from CONNINFO [--installation ID] --output FILE: a barge's database made again
// from the office's copy.
#include <iosfwd>
#include <string>

namespace ijken::app {

int run_restore(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace ijken::app
