// Builds the XM module of a parsed song: synthesises every sample, lays the
// placed tracks into patterns and resolves the order list; compileSong runs
// the whole chain from source text to file bytes. Called by the xmcompile
// program and by tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/xmcompile/song_source.h"
#include "tools/xmwriter/xm_writer.h"

namespace xmcompile {

struct CompileResult {
    bool ok = false;
    XmModule module;
    std::vector<uint8_t> bytes;  // the XM file
    int errorLine = 0;           // 1-based source line of the error, 0 when none applies
    std::string error;
};

// Fills module from song; on failure returns false with the line and message.
bool buildModule(const SongSource& song, XmModule& module, int& errorLine, std::string& error);

CompileResult compileSong(std::string_view text);

}  // namespace xmcompile
