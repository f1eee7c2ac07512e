#pragma once
// Every command of the program with the options it takes: what the parser checks a command line
// against and what --help prints.
#include <string>

#include "app/command_options.h"

namespace ijken::app::commands {

extern const CommandSpec compute;
extern const CommandSpec export_;
extern const CommandSpec backup;
extern const CommandSpec report;
extern const CommandSpec push;
extern const CommandSpec office_init;
extern const CommandSpec office_surveys;
extern const CommandSpec office_report;
extern const CommandSpec office_serve;
extern const CommandSpec office_name;

}  // namespace ijken::app::commands

namespace ijken::app {

// The text of ijken --help: every command's usage, options and notes, from the table.
std::string help_text();

}  // namespace ijken::app
