// The kill test's driver: kill_driver OPERATION PROGRAM_DIR. Says "ready" once started, then does
// the operation's work and writes "done RECORD" for each piece the program reports done, each line
// with one write so that a kill never leaves half a line behind.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "kill/kill_operations.h"

namespace {

void say(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t at = 0;
    while (at < text.size()) {
        const ssize_t n = write(STDOUT_FILENO, text.data() + at, text.size() - at);
        if (n <= 0) return;
        at += static_cast<std::size_t>(n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kill_driver OPERATION PROGRAM_DIR\n");
        return 2;
    }
    ijken::killtest::Operation* op = ijken::killtest::find_operation(argv[1]);
    if (!op) {
        std::fprintf(stderr, "kill_driver: no operation \"%s\"\n", argv[1]);
        return 2;
    }
    say("ready");
    try {
        op->run(argv[2], [](const std::string& record) { say("done " + record); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kill_driver: %s\n", e.what());
        return 1;
    }
    say("finished");
    return 0;
}
