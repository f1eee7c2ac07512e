#include "app/commands.h"

#include <ostream>

namespace ijken::app {

std::string help_text() { return "usage: ijken [compute [--db PATH] [--ship ID]]\n"; }

int run_compute(int, char**, const std::string&, std::istream&, std::ostream&, std::ostream& err) {
    err << "ijken compute: not built yet\n";
    return 1;
}

}  // namespace ijken::app
