// The command line of tavorly-play: the files to play, in order, and how.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PlayOptions {
    std::vector<std::string> files;  // at least one
    bool quiet = false;              // no live view, one line per file
    bool loop = false;               // every song loops until a key moves on
    int32_t startOrder = 0;          // order position each file starts at, 0..255
    bool showHelp = false;
};

struct PlayOptionsResult {
    std::optional<PlayOptions> options;  // none when the command line is wrong
    std::string error;                   // one line saying what is wrong, when options is none
};

// Parses argv[1..]; called once by main before anything is opened.
PlayOptionsResult parsePlayOptions(const std::vector<std::string_view>& arguments);

// The text printed by --help.
std::string playUsage();
