#pragma once
// Runs the program (or any command line) as a real process, as a script or a user's shell would.
#include <filesystem>
#include <string>

namespace ijken::testing {

struct Outcome {
    int status = -1;  // the exit status; -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs `command_line` through the shell with `input` on standard input; standard input and error
// go through files in dir (in.txt, err.txt), which the call leaves behind.
Outcome run_program(const std::filesystem::path& dir, const std::string& command_line,
                    const std::string& input = "");

}  // namespace ijken::testing
