// Parsing of tavorly-play's command line. --start takes its value as the next
// argument or after an equals sign; everything that is not an option is a
// file, and "--" makes every later argument a file.
#include "tools/play/play_options.h"

#include <charconv>

PlayOptionsResult parsePlayOptions(const std::vector<std::string_view>& arguments) {
    PlayOptions options;
    const auto fail = [](std::string message) { return PlayOptionsResult{std::nullopt, std::move(message)}; };
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.files.emplace_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options.showHelp = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options.quiet = true;
        } else if (argument == "--loop") {
            options.loop = true;
        } else if (argument == "--start" || argument.starts_with("--start=")) {
            std::string_view value;
            if (argument == "--start") {
                if (i + 1 >= arguments.size()) return fail("--start needs an order position");
                value = arguments[++i];
            } else {
                value = argument.substr(std::string_view("--start=").size());
            }
            int32_t order = -1;
            const char* end = value.data() + value.size();
            auto [stop, status] = std::from_chars(value.data(), end, order);
            if (value.empty() || status != std::errc() || stop != end || order < 0 || order > 255)
                return fail("--start wants an order position from 0 to 255, not '" + std::string(value) + "'");
            options.startOrder = order;
        } else {
            return fail("unknown option '" + std::string(argument) + "'");
        }
    }
    if (options.showHelp) return {options, {}};
    if (options.files.empty()) return fail("needs at least one FILE.xm to play");
    return {options, {}};
}

std::string playUsage() {
    return "Usage: tavorly-play [options] FILE.xm...\n"
           "Plays XM modules one after the other through the sound device, with Tavorly's\n"
           "engine, and shows where each song is while it plays.\n"
           "\n"
           "Options:\n"
           "  --loop         loop every song instead of moving on when it ends\n"
           "  --start ORDER  start each song at this order position (its last one when the\n"
           "                 song is shorter)\n"
           "  -q, --quiet    no live view: one line per file\n"
           "  -h, --help     show this help and exit\n"
           "\n"
           "Keys while the view is shown:\n"
           "  space          pause and resume\n"
           "  left, right    previous and next order position\n"
           "  n, p           next and previous file\n"
           "  +, -           volume up and down\n"
           "  l              loop the song or not\n"
           "  q              quit\n"
           "\n"
           "Without a terminal (output piped) there is no view either. A song ends where\n"
           "xmrender's render ends: when it would wrap past its last order position or\n"
           "jump back to one already played.\n"
           "\n"
           "Exit status: 0 when every file played; 1 when a file could not be loaded (the\n"
           "others still play) or the sound device cannot be opened; 2 on a usage error;\n"
           "130 when interrupted.\n";
}
