#include <iostream>

#include "app/commands.h"

namespace ijken::app {

int run_window(int, char**, const std::string&) {
    std::cerr << "ijken: the main window is not built yet\n";
    return 1;
}

}  // namespace ijken::app
