// Rendering and comparing one case.
#include "tests/peers/peer_check.h"

#include <fstream>

CaseVerdict checkCase(const RenderSetup& setup, const PeerCase& peerCase) {
    CaseVerdict verdict;
    const std::string path = setup.scratchDirectory + "/" + peerCase.name + ".xm";
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(peerCase.bytes.data()),
                   static_cast<std::streamsize>(peerCase.bytes.size()));
        if (!file) {
            verdict.error = "cannot write " + path;
            return verdict;
        }
    }
    RenderFeatures features[3];
    for (Renderer renderer : {Renderer::ours, Renderer::xmp, Renderer::openmpt}) {
        StereoPcm pcm;
        if (!renderModule(setup, renderer, path, peerCase.seconds, pcm, verdict.error)) return verdict;
        features[static_cast<int>(renderer)] = featuresOf(pcm);
    }
    std::remove(path.c_str());
    verdict.playersWithEachOther = compareRenders(features[1], features[2]);
    verdict.oursWithXmp = compareRenders(features[1], features[0]);
    verdict.oursWithOpenmpt = compareRenders(features[2], features[0]);
    return verdict;
}
