// The scrolltext markup compiler and the script checks it applies.
#include <gtest/gtest.h>

#include <string>

#include "tools/scrolltext/scrolltext_markup.h"

namespace {

using scrolltext::checkScript;
using scrolltext::compileMarkup;
using scrolltext::ScriptRules;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(ScrolltextMarkup, WritesEachCodeAsItsByteFollowedByItsArguments) {
    const auto result =
        compileMarkup("{SetFont 8 2}A{ShowLogo 7}{SpinSwarm 2 16 1}{SwarmLogo 39}{SetSpeed 4}{StartSwarm}B{EndDemo}");
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.bytes, bytes({7, 8, 2, 'A', 1, 7, 4, 2, 16, 1, 5, 39, 6, 4, 2, 'B', 3}) + "    ");
}

TEST(ScrolltextMarkup, ArgumentsOutsideTheSignedRangeAreStoredAsTheirBytes) {
    const auto result = compileMarkup("{SetSpeed -1}{ShowLogo 200}");
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.bytes.substr(0, 4), bytes({6, 255, 1, 200}));
}

TEST(ScrolltextMarkup, JoinsLinesWithOneSpaceAndFollowsEveryParagraphWithAGap) {
    const auto plain = compileMarkup("# a comment line\n  first line  \nsecond line\n\n\n#c\nnext  paragraph\r\n");
    ASSERT_EQ(plain.error, "");
    EXPECT_EQ(plain.bytes, "first line second line    next  paragraph    ");
    EXPECT_EQ(compileMarkup("{{braces}").bytes, "{braces}    ");
}

TEST(ScrolltextMarkup, RejectsWhatTheScrollerCannotShowWithTheLineNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"ok\n{Dance 3}", "line 2: unknown code {Dance}"},
        {"{ShowLogo}", "takes 1 argument(s), not 0"},
        {"{SetFont 1}", "takes 2 argument(s), not 1"},
        {"{EndDemo 1}", "takes 0 argument(s), not 1"},
        {"{ShowLogo 0}", "zero byte"},
        {"{ShowLogo 256}", "does not fit a byte"},
        {"{ShowLogo seven}", "is not a number"},
        {"{ShowLogo 7", "'{' without '}'"},
        {"caf\xc3\xa9", "not printable ASCII"},
    };
    for (const auto& [source, message] : cases) {
        const auto result = compileMarkup(source);
        EXPECT_NE(result.error.find(message), std::string::npos) << source << " -> " << result.error;
        EXPECT_EQ(result.bytes, "") << source;
    }
    EXPECT_EQ(compileMarkup("a\tb").error, "line 1: character 9 is not printable ASCII");
}

TEST(ScrolltextMarkup, ArgumentBytesAreNeverTakenForCodes) {
    // SetSpeed 3 carries the byte of EndDemo as its argument.
    const auto uses = scrolltext::scanCodes(compileMarkup("x{SetSpeed 3}{SpinSwarm 1 2 3}y").bytes);
    ASSERT_EQ(uses.size(), 2u);
    EXPECT_EQ(uses[0].code, scrolltext::Code::SetSpeed);
    EXPECT_EQ(uses[0].position, 1u);
    EXPECT_EQ(uses[0].args[0], 3);
    EXPECT_EQ(uses[1].code, scrolltext::Code::SpinSwarm);
    EXPECT_EQ(uses[1].position, 3u);
}

// A miniature script under miniature rules, broken one rule at a time.
class ScriptCheck : public testing::Test {
protected:
    ScriptRules rules() const {
        ScriptRules r;
        r.codeCounts = {0, 2, 1, 1, 1, 1, 1, 1};
        r.startSwarmAt = 3;
        r.endDemoAt = 0;  // set per text below
        r.bigLogos = 2;
        r.swarmLogos = 1;
        return r;
    }
    std::string body = compileMarkup("{SetFont 1 1}{StartSwarm}Hi {ShowLogo 1}{ShowLogo 2}there").bytes;
    std::string tail = compileMarkup("{SwarmLogo 1}{SetSpeed 4}{SpinSwarm 1 2 1}bye{EndDemo}end").bytes;

    std::vector<std::string> check(const std::string& b, const std::string& t) const {
        ScriptRules r = rules();
        r.bodyLength = body.size();
        r.tailLength = tail.size();
        r.endDemoAt = body.size() + tail.find('\3');
        return checkScript(b, t, r);
    }
    static bool mentions(const std::vector<std::string>& problems, const std::string& what) {
        for (const auto& p : problems)
            if (p.find(what) != std::string::npos) return true;
        return false;
    }
};

TEST_F(ScriptCheck, AcceptsATextThatKeepsEveryRule) { EXPECT_EQ(check(body, tail), std::vector<std::string>{}); }

TEST_F(ScriptCheck, ReportsEachBrokenRule) {
    EXPECT_TRUE(mentions(check(body + "x", tail), "body is"));
    EXPECT_TRUE(mentions(check(body, tail + "x"), "tail is"));

    std::string moved = body;
    std::swap(moved[3], moved[4]);  // StartSwarm one byte later
    EXPECT_TRUE(mentions(check(moved, tail), "{StartSwarm} is at byte 4"));

    std::string early = tail;
    early.erase(early.find('\3'), 1);
    early.insert(early.find("bye"), 1, '\3');  // EndDemo before "bye"
    EXPECT_TRUE(mentions(check(body, early), "{EndDemo} is at byte"));

    std::string sameLogo = body;
    sameLogo[sameLogo.rfind('\1') + 1] = 1;  // the second ShowLogo shows logo 1 again
    EXPECT_TRUE(mentions(check(sameLogo, tail), "logo 2 is never shown big"));

    std::string noFontFirst = body;
    std::swap(noFontFirst[0], noFontFirst[5]);
    EXPECT_FALSE(check(noFontFirst, tail).empty());

    std::string zero = tail;
    zero[zero.find("bye")] = '\0';
    EXPECT_TRUE(mentions(check(body, zero), "zero byte"));

    std::string extraSpeed = tail;
    extraSpeed.replace(extraSpeed.find("bye"), 3, bytes({6, 2, 'x'}));
    EXPECT_TRUE(mentions(check(body, extraSpeed), "{SetSpeed} appears 2 times, must appear 1"));
}

}  // namespace
