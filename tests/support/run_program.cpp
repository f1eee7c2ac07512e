#include "support/run_program.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace ijken::testing {

Outcome run_program(const std::filesystem::path& dir, const std::string& command_line, const std::string& input) {
    const std::filesystem::path in = dir / "in.txt";
    const std::filesystem::path err = dir / "err.txt";
    std::ofstream(in, std::ios::binary) << input;
    const std::string cmd = command_line + " < '" + in.string() + "' 2> '" + err.string() + "'";
    Outcome r;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream e(err, std::ios::binary);
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
}

}  // namespace ijken::testing
