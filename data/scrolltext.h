// The production's scrolltext, compiled into the program: the text the
// scroller shows, with its control codes, in its two stored pieces (library
// tavorly_scrolltext, linked only by the programs; scene tests pass their own).
#pragma once

#include <string_view>

// The main body of the text. Called by the scene while it is built; the bytes
// live for the whole run.
std::string_view scrollTextBody();

// The closing part that follows the body. Same lifetime and caller.
std::string_view scrollTextTail();
