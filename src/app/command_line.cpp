#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

namespace ijken::app {

namespace {

// The toolkit's options that take a value (as the next argument, or after "=").
constexpr std::array<std::string_view, 16> kWithValue = {"platform",
                                                         "platformpluginpath",
                                                         "platformtheme",
                                                         "plugin",
                                                         "qwindowgeometry",
                                                         "geometry",
                                                         "qwindowicon",
                                                         "icon",
                                                         "qwindowtitle",
                                                         "title",
                                                         "session",
                                                         "display",
                                                         "name",
                                                         "visual",
                                                         "style",
                                                         "stylesheet"};
// ... and those that take none.
constexpr std::array<std::string_view, 7> kFlags = {"reverse", "widgetcount", "nograb",       "dograb",
                                                    "sync",    "testability", "qmljsdebugger"};

bool contains(const auto& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// The option's name without its leading "-" or "--" and without "=value"; empty for an argument
// that is no option.
std::string_view option_name(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') return {};
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    return arg.substr(0, arg.find('='));
}

bool has_value_attached(std::string_view arg) {
    return arg.find('=') != std::string_view::npos;
}

bool set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<std::string> first_unknown_argument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const std::string_view name = option_name(arg);
        if (contains(kFlags, name)) continue;
        if (!contains(kWithValue, name)) return std::string(arg);
        if (!has_value_attached(arg)) {
            if (i + 1 >= argc) return std::string(arg);  // its value is missing
            ++i;
        }
    }
    return std::nullopt;
}

bool display_available(int argc, char** argv) {
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY")) return true;
    for (int i = 1; i < argc; ++i) {
        if (option_name(argv[i]) == "platform") return true;
    }
    return false;
}

std::string no_display_message() {
    return "ijken: no display to open the window on; start it in a desktop session, under a virtual "
           "display (xvfb-run -a ijken), or without one (ijken -platform offscreen)\n";
}

}  // namespace ijken::app
