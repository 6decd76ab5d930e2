// The tracker notation of a cell as the song source writes it: note
// ("C#4", "OFF"), instrument ("01"), volume column ("v48", "d4") and effect
// ("A0F"), each with "..", "..." or "---" for empty. Called by the song
// parser for every track row.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/xmcompile/song_source.h"

namespace xmcompile {

// Note names "C-0" .. "B-7" ("C#4" for sharps). Returns the 0-based note
// (C-0 = 0) or -1.
int parseNoteName(std::string_view token);

// Fills cell from one to four words: note, instrument, volume column,
// effect. Returns an empty string, or what is wrong with the words.
std::string parseCell(const std::vector<std::string_view>& words, Cell& cell);

}  // namespace xmcompile
