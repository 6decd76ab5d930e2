// Reads song source text into a SongSource. Called by the compiler's front end
// and by tests; never throws: a malformed source yields the first error with
// its line number.
#pragma once

#include <string>
#include <string_view>

#include "tools/xmcompile/song_source.h"
#include "tools/xmcompile/tracker_notation.h"

namespace xmcompile {

struct ParseResult {
    bool ok = false;
    SongSource song;
    int errorLine = 0;  // 1-based line of the first error
    std::string error;  // what is wrong there, without the location
};

ParseResult parseSongSource(std::string_view text);

}  // namespace xmcompile
