// The crafted modules that the peers tests render with our engine and with the
// established players: one per player behaviour that was measured to differ and
// one per effect family. Each is stated with the XM writer in a few lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

// What the peers tests expect of a case.
enum class PeerExpectation : uint8_t {
    matches,          // the players agree with each other and ours matches at least one of them
    differs,          // the players agree but ours does not; `why` says why it is left so
    playersDisagree,  // the players play it differently; ours is kept as it is, `why` says how
};

struct PeerCase {
    std::string name;            // file-name safe, e.g. "pattern-loop-next-pattern"
    std::string pins;            // one sentence: the behaviour the module pins down
    std::vector<uint8_t> bytes;  // the module file
    double seconds = 0;          // render length; 0 renders to the song's end
    PeerExpectation expectation = PeerExpectation::matches;
    std::string why;
};

// Every case, in a fixed order.
std::vector<PeerCase> peerCases();

// The groups of cases, one function per source file.
void addBehaviourCases(std::vector<PeerCase>& cases);
void addEffectCases(std::vector<PeerCase>& cases);
void addLoaderCases(std::vector<PeerCase>& cases);

// Building blocks for the cases.
namespace peer {

constexpr uint8_t keyOff = 97;
constexpr uint8_t c4 = 49;  // 0-based note 48, 8,363 Hz in either table
constexpr uint8_t fx(char letter) { return static_cast<uint8_t>(letter - 'A' + 10); }

// A pure tone that sounds for as long as the note is held: one looped cycle of
// 16 frames (523 Hz at C-4), 8-bit unless `sixteenBit`.
XmSample loopedTone(bool sixteenBit = false);

// A tone whose loudness falls linearly from full to silence over `frames`
// frames and then ends (no loop): where the note plays in its sample shows
// in its loudness, so restarts and offsets can be heard.
XmSample fadingTone(uint32_t frames = 4096, bool sixteenBit = false);

// A module as the reference tracker writes it: `channels` channels, speed 6,
// 125 BPM (20 ms ticks), linear table, one empty pattern of `rows` rows and
// one instrument holding `sample`.
XmModule baseModule(XmSample sample, uint16_t channels = 1, uint16_t rows = 16);

PeerCase make(std::string name, std::string pins, const XmModule& module);

// The same case with another expectation and its reason.
PeerCase differs(PeerCase peerCase, std::string why);
PeerCase playersDisagree(PeerCase peerCase, std::string why);

}  // namespace peer
