// The shared empty records and the envelope views of an instrument.
#include "music/song.h"

Sample emptySample{};
// Its sample slots point at emptySample like every unused slot, so a lookup
// through it never meets a null sample.
Instrument emptyInstrument = [] {
    Instrument instrument{};
    instrument.samples.fill(&emptySample);
    return instrument;
}();

Envelope volumeEnvelopeOf(const Instrument& instrument) {
    return Envelope{instrument.volumeEnvelope.data(), instrument.volumePointCount,
                    instrument.volumeSustainPoint, instrument.volumeLoopStart,
                    instrument.volumeLoopEnd, instrument.volumeEnvelopeFlags};
}

Envelope panningEnvelopeOf(const Instrument& instrument) {
    return Envelope{instrument.panningEnvelope.data(), instrument.panningPointCount,
                    instrument.panningSustainPoint, instrument.panningLoopStart,
                    instrument.panningLoopEnd, instrument.panningEnvelopeFlags};
}
