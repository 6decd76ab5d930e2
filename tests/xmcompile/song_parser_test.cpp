// The song source parser: malformed sources are refused with the line of the
// first error and a message that says what is wrong.
#include <gtest/gtest.h>

#include <string>

#include "tools/xmcompile/song_parser.h"

namespace {

using xmcompile::parseSongSource;

constexpr const char* validTail = R"(
track t
 0 C-4 01
end
pattern p
 1 t
end
order p
)";

struct BadSource {
    const char* name;
    std::string text;
    int line;
    const char* message;  // a part of the expected message
};

TEST(SongParser, MalformedSourcesReportTheLineAndTheFault) {
    const BadSource cases[] = {
        {"unknown keyword", "channels 4\ntempo 120\n", 2, "unknown keyword 'tempo'"},
        {"option without keyword", "channels 4\nrows=4\n", 2, "must start with a keyword"},
        {"text without keyword", "\"Tavorly\"\n", 1, "must start with a keyword"},
        {"odd channel count", "channels 5\n", 1, "even"},
        {"too many channels", "channels 40\n", 1, "outside 2..32"},
        {"unterminated text", "title \"abc\n", 1, "unterminated"},
        {"instrument out of range", "instrument 129 \"x\"\nend\n", 1, "outside 1..128"},
        {"instruments out of order", "instrument 3 \"a\"\nend\ninstrument 2 \"b\"\nend\n", 3, "ascend"},
        {"block without end", "channels 2\ninstrument 1 \"a\"\n  fadeout 10\n", 2, "no 'end'"},
        {"stray end", "channels 2\nend\n", 2, "without an open block"},
        {"unknown waveform", "instrument 1 \"a\"\n sample \"s\"\n  osc sqare\n end\nend\n", 3, "sqare"},
        {"sample without oscillator", "instrument 1 \"a\"\n sample \"s\"\n  bits 8\n end\nend\n", 4, "no oscillator"},
        {"bad bit width", "instrument 1 \"a\"\n sample \"s\"\n  bits 12\n", 3, "8 or 16"},
        {"unknown option", "instrument 1 \"a\"\n sample \"s\"\n  osc sine amp=1 speed=2\n", 3,
         "unknown option 'speed'"},
        {"not a number", "instrument 1 \"a\"\n sample \"s\"\n  osc sine amp=loud\n", 3, "not a number"},
        {"one-point envelope", "instrument 1 \"a\"\n volenv 0:64\n", 2, "2..12 points"},
        {"envelope ticks backwards", "instrument 1 \"a\"\n volenv 0:64 10:20 5:0\n", 2, "ascend"},
        {"sustain beyond the points", "instrument 1 \"a\"\n volenv 0:64 10:0 sustain=2\n", 2, "outside 0..1"},
        {"bad note", "track t\n 0 H-4 01\nend\n", 2, "not a note"},
        {"row beyond the track", "track t rows=16\n 16 C-4\nend\n", 2, "outside 0..15"},
        {"rows out of order", "track t\n 4 C-4\n 2 D-4\nend\n", 3, "comes after row 4"},
        {"bad volume column", "track t\n 0 C-4 01 v65\nend\n", 2, "outside 0..64"},
        {"bad volume letter", "track t\n 0 C-4 01 z3\nend\n", 2, "unknown command letter"},
        {"bad effect", "track t\n 0 C-4 01 .. A0G\nend\n", 2, "not like A0F"},
        {"too many cell fields", "track t\n 0 C-4 01 .. A00 B00\nend\n", 2, "expected"},
        {"unknown track", "pattern p\n 1 nothing\nend\n", 2, "track 'nothing' is not defined"},
        {"channel beyond the song", "channels 2\ntrack t\nend\npattern p\n 3 t\nend\n", 5, "outside 1..2"},
        {"unknown pattern in order", "order intro\n", 1, "pattern 'intro' is not defined"},
        {"restart beyond the order list", std::string("channels 2\nrestart 3\n") + validTail, 10, "restart position 3"},
        {"no order list", "channels 2\n", 0, "no order list"},
    };
    for (const BadSource& bad : cases) {
        SCOPED_TRACE(bad.name);
        auto result = parseSongSource(bad.text);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorLine, bad.line);
        EXPECT_NE(result.error.find(bad.message), std::string::npos) << result.error;
    }
}

TEST(SongParser, CommentsAndQuotesDoNotSplitOrEndLines) {
    auto result = parseSongSource("title \"a # b\"  # the title\nchannels 2 # two\n" + std::string(validTail));
    ASSERT_TRUE(result.ok) << result.errorLine << ": " << result.error;
    EXPECT_EQ(result.song.title, "a # b");
    EXPECT_EQ(result.song.channels, 2);
}

}  // namespace
