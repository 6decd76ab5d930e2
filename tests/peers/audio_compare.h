// The measure by which two renders of one module are judged alike: what a
// listener hears change over time (loudness, pitch, left-right balance, length),
// with the overall level matched and everything else left to the players.
//
// Each render is cut into 10 ms windows. Per window it has
//   - its loudness: the RMS of both channels, in dB below the render's loudest
//     window, floored at -40 dB (quieter counts as silence);
//   - its pitch: the frequency of the strongest spectral peak (Hann window of
//     2048 frames around the window, peak interpolated), in cents;
//   - its balance: (right RMS - left RMS) / (right RMS + left RMS).
// Two renders are first aligned (the lag within +-20 ms at which their loudness
// curves agree best) and level-matched (the median loudness difference over
// windows where both sound, at most 3 dB, is taken out). A window then agrees
// when
//   - the loudness differs by at most 3 dB, also allowing the neighbouring
//     window (onsets and ramps may fall 10 ms apart), and
//   - where both sound (above -30 dB): the pitch differs by at most 25 cents
//     (again allowing a neighbour) and the balance by at most 0.2.
// The renders match when at least 90 % of the windows they share agree and
// their lengths differ by at most 2 % + 150 ms (a player may let the last
// notes ring out for up to 100 ms after the song's end).
//
// The pitch is that of the loudest tone, so the measure suits modules that
// play one tone at a time, as the crafted ones do; on a full song the players
// themselves differ in many windows where chords make the loudest peak jump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/peers/peer_render.h"

struct RenderFeatures {
    std::vector<float> loudness;  // dB below the loudest window, -40..0
    std::vector<float> pitch;     // cents above 440 Hz; meaningless where silent
    std::vector<float> balance;   // -1 (left) .. +1 (right)
    double seconds = 0;
};

RenderFeatures featuresOf(const StereoPcm& pcm);

struct Comparison {
    double agreement = 0;          // share of windows that agree, 0..1
    double loudnessAgreement = 0;  // share of windows whose loudness agrees
    double pitchAgreement = 0;     // share of sounding windows whose pitch agrees
    double balanceAgreement = 0;   // share of sounding windows whose balance agrees
    double gainDb = 0;             // level taken out of the second render
    int32_t lagWindows = 0;        // the second render's lag, in windows
    double lengthDifference = 0;   // seconds, second minus first
    bool lengthsAgree = false;
    bool match = false;
    int32_t firstDisagreement = -1;  // window index, -1 when all agree
    // Per window of the first render: bit 0 loudness, bit 1 pitch, bit 2
    // balance differ (for reviewing a comparison window by window).
    std::vector<uint8_t> differences;
    std::string summary() const;
};

Comparison compareRenders(const RenderFeatures& a, const RenderFeatures& b);
