// The crafted modules rendered by our engine and by xmp and openmpt123 and
// compared with the measure of audio_compare.h. Each case states whether the
// players agree on it and whether ours plays it as they do; a case that no
// longer behaves as stated fails, so the table in peer_cases stays true. Of
// the modules the players agree on, ours must play at least 9 in 10 as one of
// them does. Skipped where xmp or openmpt123 is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/peers/peer_check.h"

namespace {

const char* verdictText(const Comparison& comparison) { return comparison.match ? "match" : "differ"; }

}  // namespace

TEST(Peers, CraftedModulesPlayAsTheEstablishedPlayersPlayThem) {
    char directory[] = "/tmp/peers_test.XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const RenderSetup setup{TAVORLY_XMRENDER_PATH, directory};
    ASSERT_TRUE(rendererAvailable(setup, Renderer::ours)) << setup.xmrender;
    if (!rendererAvailable(setup, Renderer::xmp) || !rendererAvailable(setup, Renderer::openmpt)) {
        rmdir(directory);
        GTEST_SKIP() << "xmp or openmpt123 is not installed";
    }
    int agreed = 0, matched = 0;
    std::printf("%-36s %-8s %-8s %-8s\n", "case", "players", "xmp", "openmpt123");
    for (const PeerCase& peerCase : peerCases()) {
        const CaseVerdict verdict = checkCase(setup, peerCase);
        if (!verdict.error.empty()) {
            ADD_FAILURE() << peerCase.name << ": " << verdict.error;
            continue;
        }
        std::printf("%-36s %-8s %-8s %-8s\n", peerCase.name.c_str(), verdictText(verdict.playersWithEachOther),
                    verdictText(verdict.oursWithXmp), verdictText(verdict.oursWithOpenmpt));
        const std::string details = peerCase.name + " (" + peerCase.pins +
                                    ")\n  xmp/openmpt123: " + verdict.playersWithEachOther.summary() +
                                    "\n  ours/xmp: " + verdict.oursWithXmp.summary() +
                                    "\n  ours/openmpt123: " + verdict.oursWithOpenmpt.summary();
        switch (peerCase.expectation) {
            case PeerExpectation::matches:
                EXPECT_TRUE(verdict.playersAgree() && verdict.matchesAPlayer()) << details;
                break;
            case PeerExpectation::differs:
                EXPECT_TRUE(verdict.playersAgree() && !verdict.matchesAPlayer())
                    << details << "\n  stated as a known difference (" << peerCase.why << ")";
                break;
            case PeerExpectation::playersDisagree:
                EXPECT_FALSE(verdict.playersAgree()) << details << "\n  stated: " << peerCase.why;
                break;
        }
        if (verdict.playersAgree()) {
            ++agreed;
            matched += verdict.matchesAPlayer();
        }
    }
    std::printf("The players agree on %d modules; ours plays %d of them as one of the players does.\n", agreed,
                matched);
    EXPECT_GE(matched * 10, agreed * 9) << "at least 9 in 10 of the modules the players agree on";
    rmdir(directory);
}
