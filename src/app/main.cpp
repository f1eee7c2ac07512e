// ijken: the gauge survey program. Without a command it opens the main window; with one it runs the
// same core code headless.
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/backup_command.h"
#include "app/commands.h"
#include "app/export_command.h"
#include "app/gui_start.h"
#include "app/report_command.h"

namespace {

// The directory of the running program file, with its trailing separator: the database and the
// language files live beside the program.
std::string program_directory(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::absolute(argv0, ec);
    return exe.parent_path().string() + "/";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program_dir = program_directory(argv[0]);
    if (argc >= 2) {
        std::string command = argv[1];
        if (command == "--help" || command == "-h" || command == "help") {
            std::cout << ijken::app::help_text();
            return 0;
        }
        if (command == "report") return ijken::app::run_report(argc - 2, argv + 2, program_dir, std::cerr);
        if (command == "compute") return ijken::app::run_compute(argc - 2, argv + 2, program_dir, std::cin, std::cout, std::cerr);
        if (command == "export") return ijken::app::run_export(argc - 2, argv + 2, program_dir, std::cout, std::cerr);
        if (command == "backup") return ijken::app::run_backup(argc - 2, argv + 2, program_dir, std::cout, std::cerr);
    }
    return ijken::app::run_gui(argc, argv, program_dir);
}
