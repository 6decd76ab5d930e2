// Renders one case with our engine and both players and compares the three.
// Shared by the peers tests and the peers tool.
#pragma once

#include <optional>
#include <string>

#include "tests/peers/audio_compare.h"
#include "tests/peers/peer_cases.h"
#include "tests/peers/peer_render.h"

struct CaseVerdict {
    std::string error;                // set when a render failed
    Comparison playersWithEachOther;  // xmp against openmpt123
    Comparison oursWithXmp;
    Comparison oursWithOpenmpt;
    bool playersAgree() const { return playersWithEachOther.match; }
    bool matchesAPlayer() const { return oursWithXmp.match || oursWithOpenmpt.match; }
};

// Writes the case's module into the scratch directory, renders it three times
// and compares.
CaseVerdict checkCase(const RenderSetup& setup, const PeerCase& peerCase);
