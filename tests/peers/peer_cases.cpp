// The list of cases and the samples and module shape they share.
#include "tests/peers/peer_cases.h"

#include <cmath>
#include <numbers>

std::vector<PeerCase> peerCases() {
    std::vector<PeerCase> cases;
    addBehaviourCases(cases);
    addEffectCases(cases);
    addLoaderCases(cases);
    return cases;
}

namespace peer {

namespace {

constexpr int32_t cycleFrames = 16;

int16_t toneAt(uint32_t frame, double amplitude) {
    return static_cast<int16_t>(
        std::lround(amplitude * std::sin(2 * std::numbers::pi * (frame % cycleFrames) / cycleFrames)));
}

}  // namespace

XmSample loopedTone(bool sixteenBit) {
    XmSample sample;
    sample.sixteenBit = sixteenBit;
    const double amplitude = sixteenBit ? 30000 : 120;
    for (uint32_t f = 0; f < cycleFrames; ++f) sample.pcm.push_back(toneAt(f, amplitude));
    sample.loop = XmLoop::forward;
    sample.loopStart = 0;
    sample.loopLength = cycleFrames;
    return sample;
}

XmSample fadingTone(uint32_t frames, bool sixteenBit) {
    XmSample sample;
    sample.sixteenBit = sixteenBit;
    const double amplitude = sixteenBit ? 30000 : 120;
    for (uint32_t f = 0; f < frames; ++f) sample.pcm.push_back(toneAt(f, amplitude * (frames - f) / frames));
    return sample;
}

XmModule baseModule(XmSample sample, uint16_t channels, uint16_t rows) {
    XmModule module;
    module.trackerName = "FastTracker v2.00";
    module.channels = channels;
    module.orders = {0};
    module.patterns.emplace_back().rows = rows;
    module.instruments.emplace_back().samples.push_back(std::move(sample));
    return module;
}

PeerCase make(std::string name, std::string pins, const XmModule& module) {
    return PeerCase{std::move(name), std::move(pins), writeXm(module), 0, PeerExpectation::matches, {}};
}

PeerCase differs(PeerCase peerCase, std::string why) {
    peerCase.expectation = PeerExpectation::differs;
    peerCase.why = std::move(why);
    return peerCase;
}

PeerCase playersDisagree(PeerCase peerCase, std::string why) {
    peerCase.expectation = PeerExpectation::playersDisagree;
    peerCase.why = std::move(why);
    return peerCase;
}

}  // namespace peer
