// The shared empty records and the envelope views of an instrument.
#include "music/song.h"

#include <cstddef>

namespace music {

Sample emptySample{};
// Its sample slots point at emptySample like every unused slot, so a lookup
// through it never meets a null sample.
const Instrument emptyInstrument = [] {
    Instrument instrument{};
    instrument.samples.fill(&emptySample);
    return instrument;
}();

Envelope volumeEnvelopeOf(const Instrument& instrument) {
    return Envelope{instrument.volumeEnvelope.data(), instrument.volumePointCount, instrument.volumeSustainPoint,
                    instrument.volumeLoopStart,       instrument.volumeLoopEnd,    instrument.volumeEnvelopeFlags};
}

Envelope panningEnvelopeOf(const Instrument& instrument) {
    return Envelope{instrument.panningEnvelope.data(), instrument.panningPointCount, instrument.panningSustainPoint,
                    instrument.panningLoopStart,       instrument.panningLoopEnd,    instrument.panningEnvelopeFlags};
}

void releaseSong(Song* song) {
    if (!song) return;
    if (song->instruments) {
        for (int32_t i = 0; i < song->instrumentCount; ++i) {
            Instrument& instrument = song->instruments[i];
            for (int32_t j = 0; j < instrument.sampleCount && j < maxSamplesPerInstrument; ++j) {
                Sample* sample = instrument.samples[static_cast<size_t>(j)];
                if (!sample || sample == &emptySample) continue;
                delete[] sample->data;
                delete sample;
            }
        }
        delete[] song->instruments;
    }
    if (song->patterns) {
        for (int32_t p = 0; p < song->patternCount; ++p) delete[] song->patterns[p].cells;
        delete[] song->patterns;
    }
    delete song;
}

}  // namespace music
