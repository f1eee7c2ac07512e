#include "app/office_serve.h"

#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <vector>

#include "fleet/pg_connection.h"

namespace ijken::app {

namespace {

// The server program beside this one (the build's folder, or an installed bin/), or in the
// installed libexec/ijken/.
std::filesystem::path server_program() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path dir = self.parent_path();
    for (const std::filesystem::path& p : {dir / "ijken-office-serve", dir / ".." / "libexec" / "ijken" / "ijken-office-serve"}) {
        if (::access(p.c_str(), X_OK) == 0) return p;
    }
    throw fleet::FleetError("the office server ijken-office-serve is not installed beside " + self.string());
}

}  // namespace

int office_serve(int argc, char** argv, std::ostream& out) {
    const std::filesystem::path program = server_program();
    std::vector<char*> args{const_cast<char*>(program.c_str())};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    out.flush();
    ::execv(program.c_str(), args.data());
    throw fleet::FleetError("cannot start " + program.string());
}

}  // namespace ijken::app
