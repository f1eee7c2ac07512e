// ijken: the gauge survey program. Without a command it opens the main window; with one it runs the
// same core code headless.
#include <QCoreApplication>
#include <iostream>
#include <string>

#include "app/backup_command.h"
#include "app/command_line.h"
#include "app/command_options.h"
#include "app/commands.h"
#include "app/export_command.h"
#include "app/fleet_commands.h"
#include "app/gui_start.h"
#include "app/program_paths.h"
#include "app/report_command.h"

int main(int argc, char** argv) {
    // The name the desktop knows the program by; it also names the per-user data directory.
    QCoreApplication::setApplicationName("ijken");
    const std::string program_dir = ijken::app::program_directory(argv[0]);
    if (argc >= 2) {
        std::string command = argv[1];
        if (command == "--help" || command == "-h" || command == "help") {
            std::cout << ijken::app::help_text();
            return 0;
        }
        if (command == "--version") {
            std::cout << "ijken " IJKEN_VERSION "\n";
            return 0;
        }
        // The commands use the database where the window keeps it, and never create it.
        const std::string data_dir = ijken::app::data_directory(program_dir, false);
        if (command == "compute")
            return ijken::app::run_compute(argc - 2, argv + 2, data_dir, std::cin, std::cout, std::cerr);
        if (command == "report") {
            return ijken::app::run_report(argc - 2, argv + 2, data_dir, std::cerr,
                                          ijken::app::AfterReport::end_process);
        }
        if (command == "export") return ijken::app::run_export(argc - 2, argv + 2, data_dir, std::cout, std::cerr);
        if (command == "backup") return ijken::app::run_backup(argc - 2, argv + 2, data_dir, std::cout, std::cerr);
        if (command == "push") return ijken::app::run_push(argc - 2, argv + 2, data_dir, std::cout, std::cerr);
        if (command == "office") return ijken::app::run_office(argc - 2, argv + 2, data_dir, std::cout, std::cerr);
    }
    // No command: the window, given nothing but the toolkit's own options.
    if (const auto unknown = ijken::app::first_unknown_argument(argc, argv)) {
        std::cerr << "ijken: unknown command or option " << ijken::app::shown_argument(*unknown) << "\n\n"
                  << ijken::app::help_text();
        return 2;
    }
    if (!ijken::app::display_available(argc, argv)) {
        std::cerr << ijken::app::no_display_message();
        return 1;
    }
    const std::string data_dir = ijken::app::data_directory(program_dir, true);
    ijken::app::deliver_language_files(program_dir, data_dir);
    return ijken::app::run_gui(argc, argv, data_dir);
}
