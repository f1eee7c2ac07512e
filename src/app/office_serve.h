#pragma once
// ijken office serve --from CONNINFO [--listen ADDR:PORT]: the office in the browser. The server is
// a program of its own, ijken-office-serve (src/app/serve), so that the HTTP library and the TLS
// libraries it links are loaded only when the office serves, never at a start of the window.
#include <iosfwd>

namespace ijken::app {

// Replaces this process with the server program, given the same arguments; returns only by
// throwing fleet::FleetError when the program is missing or cannot be started.
int office_serve(int argc, char** argv, std::ostream& out);

}  // namespace ijken::app
