// The scrolltext's readable source form and the checks on the compiled bytes.
//
// Source text is plain prose with the script's control codes written as
// markup, e.g. "{ShowLogo 7}" or "{SpinSwarm 2 16 1}". Lines starting with '#'
// are comments. Consecutive non-empty lines form a paragraph and are joined
// with one space; every paragraph is followed by a gap of four spaces. "{{"
// stands for a literal '{'. Used by the build-time compiler and by tests.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scrolltext {

enum class Code : uint8_t {
    ShowLogo = 1,
    StartSwarm = 2,
    EndDemo = 3,
    SpinSwarm = 4,
    SwarmLogo = 5,
    SetSpeed = 6,
    SetFont = 7,
};

inline constexpr int paragraphGap = 4;  // spaces after every paragraph

struct CompileResult {
    std::string bytes;  // the compiled text, empty on error
    std::string error;  // "line N: what is wrong", empty on success
};

// Turns markup into the scroller's bytes. Any character outside 32..126, an
// unknown code name, a wrong number of arguments or an argument that is not a
// byte (or is 0, which would put a zero byte into the text) is an error.
CompileResult compileMarkup(std::string_view source);

// Number of argument bytes that follow a control byte (1..7), or -1.
int argumentCount(uint8_t code);

// The control codes found by walking the bytes the way the scroller reads
// them (a code's arguments are skipped, never taken for codes).
struct CodeUse {
    Code code;
    size_t position;             // byte index of the control byte
    std::array<int8_t, 3> args;  // signed, as the scroller reads them
};
std::vector<CodeUse> scanCodes(std::string_view text);

// What the production's text must satisfy: the two pieces' lengths, the
// number of each code, where the swarm starts and the demo ends, and that
// every logo is shown big and used by the swarm at least once.
struct ScriptRules {
    size_t bodyLength = 64883;
    size_t tailLength = 933;
    std::array<int, 8> codeCounts = {0, 85, 1, 1, 8, 39, 11, 11};  // by code byte
    size_t startSwarmAt = 536;
    size_t endDemoAt = 65736;
    int bigLogos = 40;    // ShowLogo must cover 1..bigLogos
    int swarmLogos = 39;  // SwarmLogo must cover 1..swarmLogos
};

// Every rule that the body and tail break, one message each; empty when the
// text is valid.
std::vector<std::string> checkScript(std::string_view body, std::string_view tail,
                                     const ScriptRules& rules = ScriptRules{});

// A readable summary (lengths, positions, counts) for whoever edits the text.
std::string describeScript(std::string_view body, std::string_view tail);

}  // namespace scrolltext
