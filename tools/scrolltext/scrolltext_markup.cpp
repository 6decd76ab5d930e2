// Compiles scrolltext markup into the scroller's bytes and checks the result.
#include "tools/scrolltext/scrolltext_markup.h"

#include <charconv>
#include <set>
#include <sstream>

namespace scrolltext {
namespace {

struct CodeName {
    std::string_view name;
    Code code;
};

constexpr std::array<CodeName, 7> codeNames = {{
    {"ShowLogo", Code::ShowLogo},
    {"StartSwarm", Code::StartSwarm},
    {"EndDemo", Code::EndDemo},
    {"SpinSwarm", Code::SpinSwarm},
    {"SwarmLogo", Code::SwarmLogo},
    {"SetSpeed", Code::SetSpeed},
    {"SetFont", Code::SetFont},
}};

std::string_view codeName(Code code) {
    for (const auto& entry : codeNames) {
        if (entry.code == code) return entry.name;
    }
    return "?";
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Appends one line's text and codes; returns an error message or "".
std::string compileLine(std::string_view line, std::string& out) {
    for (size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 32 || c > 126) {
            return "character " + std::to_string(c) + " is not printable ASCII";
        }
        if (c != '{') {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '{') {
            out.push_back('{');
            ++i;
            continue;
        }
        const size_t close = line.find('}', i);
        if (close == std::string_view::npos) return "'{' without '}'";
        std::istringstream words{std::string(line.substr(i + 1, close - i - 1))};
        std::string name;
        words >> name;
        const CodeName* found = nullptr;
        for (const auto& entry : codeNames) {
            if (entry.name == name) found = &entry;
        }
        if (!found) return "unknown code {" + name + "}";
        const int wanted = argumentCount(static_cast<uint8_t>(found->code));
        out.push_back(static_cast<char>(found->code));
        std::string word;
        int given = 0;
        while (words >> word) {
            int value = 0;
            const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
            if (ec != std::errc{} || end != word.data() + word.size()) {
                return "argument '" + word + "' of {" + name + "} is not a number";
            }
            if (value < -128 || value > 255) {
                return "argument " + word + " of {" + name + "} does not fit a byte";
            }
            if (value == 0) return "argument 0 of {" + name + "} would be a zero byte";
            out.push_back(static_cast<char>(static_cast<uint8_t>(value)));
            ++given;
        }
        if (given != wanted) {
            return "{" + name + "} takes " + std::to_string(wanted) + " argument(s), not " + std::to_string(given);
        }
        i = close;
    }
    return {};
}

}  // namespace

int argumentCount(uint8_t code) {
    switch (code) {
        case 1:
        case 5:
        case 6: return 1;
        case 2:
        case 3: return 0;
        case 4: return 3;
        case 7: return 2;
        default: return -1;
    }
}

CompileResult compileMarkup(std::string_view source) {
    CompileResult result;
    std::string out;
    bool inParagraph = false;
    int lineNo = 0;
    while (!source.empty()) {
        const size_t eol = source.find('\n');
        std::string_view raw = source.substr(0, eol);
        source.remove_prefix(eol == std::string_view::npos ? source.size() : eol + 1);
        ++lineNo;
        if (!raw.empty() && raw.front() == '#') continue;
        const std::string_view line = trim(raw);
        if (line.empty()) {
            if (inParagraph) out.append(paragraphGap, ' ');
            inParagraph = false;
            continue;
        }
        if (inParagraph) out.push_back(' ');
        inParagraph = true;
        if (std::string error = compileLine(line, out); !error.empty()) {
            result.error = "line " + std::to_string(lineNo) + ": " + error;
            return result;
        }
    }
    if (inParagraph) out.append(paragraphGap, ' ');
    result.bytes = std::move(out);
    return result;
}

std::vector<CodeUse> scanCodes(std::string_view text) {
    std::vector<CodeUse> uses;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<uint8_t>(text[i]);
        const int count = argumentCount(byte);
        if (count < 0) continue;
        CodeUse use{static_cast<Code>(byte), i, {0, 0, 0}};
        const auto arguments = static_cast<size_t>(count);
        for (size_t a = 0; a < arguments && i + 1 + a < text.size(); ++a) {
            use.args[a] = static_cast<int8_t>(text[i + 1 + a]);
        }
        uses.push_back(use);
        i += arguments;
    }
    return uses;
}

std::vector<std::string> checkScript(std::string_view body, std::string_view tail, const ScriptRules& rules) {
    std::vector<std::string> problems;
    auto fail = [&](std::string message) { problems.push_back(std::move(message)); };
    if (body.size() != rules.bodyLength) {
        fail("body is " + std::to_string(body.size()) + " bytes, must be " + std::to_string(rules.bodyLength));
    }
    if (tail.size() != rules.tailLength) {
        fail("tail is " + std::to_string(tail.size()) + " bytes, must be " + std::to_string(rules.tailLength));
    }
    const std::string text = std::string(body) + std::string(tail);
    if (text.find('\0') != std::string::npos) fail("the text holds a zero byte");

    const auto uses = scanCodes(text);
    if (uses.empty() || uses.front().position != 0 || uses.front().code != Code::SetFont) {
        fail("the text must begin with {SetFont}");
    }
    std::array<int, 8> counts{};
    std::set<int> shown, swarmed;
    for (const auto& use : uses) {
        const auto code = static_cast<uint8_t>(use.code);
        ++counts[code];
        if (use.code == Code::ShowLogo) shown.insert(use.args[0]);
        if (use.code == Code::SwarmLogo) swarmed.insert(use.args[0]);
        if (use.code == Code::StartSwarm && use.position != rules.startSwarmAt) {
            fail("{StartSwarm} is at byte " + std::to_string(use.position) + ", must be at " +
                 std::to_string(rules.startSwarmAt));
        }
        if (use.code == Code::EndDemo && use.position != rules.endDemoAt) {
            fail("{EndDemo} is at byte " + std::to_string(use.position) + ", must be at " +
                 std::to_string(rules.endDemoAt));
        }
    }
    for (uint8_t code = 1; code <= 7; ++code) {
        if (counts[code] != rules.codeCounts[code]) {
            fail("{" + std::string(codeName(static_cast<Code>(code))) + "} appears " + std::to_string(counts[code]) +
                 " times, must appear " + std::to_string(rules.codeCounts[code]));
        }
    }
    for (int n = 1; n <= rules.bigLogos; ++n) {
        if (!shown.count(n)) fail("logo " + std::to_string(n) + " is never shown big");
    }
    for (int n = 1; n <= rules.swarmLogos; ++n) {
        if (!swarmed.count(n)) fail("logo " + std::to_string(n) + " never fills the swarm");
    }
    return problems;
}

std::string describeScript(std::string_view body, std::string_view tail) {
    std::ostringstream out;
    const ScriptRules rules;
    out << "body " << body.size() << " bytes (target " << rules.bodyLength << ", "
        << static_cast<long>(body.size()) - static_cast<long>(rules.bodyLength) << ")\n";
    out << "tail " << tail.size() << " bytes (target " << rules.tailLength << ", "
        << static_cast<long>(tail.size()) - static_cast<long>(rules.tailLength) << ")\n";
    const std::string text = std::string(body) + std::string(tail);
    std::array<int, 8> counts{};
    for (const auto& use : scanCodes(text)) {
        ++counts[static_cast<uint8_t>(use.code)];
        if (use.code == Code::StartSwarm || use.code == Code::EndDemo) {
            out << codeName(use.code) << " at byte " << use.position << "\n";
        }
    }
    for (uint8_t code = 1; code <= 7; ++code) {
        out << codeName(static_cast<Code>(code)) << " " << counts[code] << " (target " << rules.codeCounts[code]
            << ")\n";
    }
    return out.str();
}

}  // namespace scrolltext
