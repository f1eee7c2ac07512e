#pragma once
// What the command line holds when it names no command of the program: the toolkit's own options
// (-platform offscreen, -style fusion, ...) pass through to it; anything else is a mistake.
#include <optional>
#include <string>

namespace ijken::app {

// The first argument (after the program name) that is not an option of the toolkit, or of its
// value; nullopt when there is none.
std::optional<std::string> first_unknown_argument(int argc, char** argv);

// Whether the window can open: a platform was chosen (-platform, QT_QPA_PLATFORM) or a display
// is there (DISPLAY, WAYLAND_DISPLAY). The toolkit would otherwise abort with a long message.
bool display_available(int argc, char** argv);

// The one line that says how to start the program without a display.
std::string no_display_message();

}  // namespace ijken::app
