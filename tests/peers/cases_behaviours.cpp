// Cases for the player behaviours that were measured to differ from the
// established players, one module per behaviour, and for the neighbouring
// behaviours on which the two players disagree.
#include "tests/peers/peer_cases.h"

using namespace peer;

namespace {

uint8_t note(int semitonesAboveC4) { return static_cast<uint8_t>(c4 + semitonesAboveC4); }

}  // namespace

void addBehaviourCases(std::vector<PeerCase>& cases) {
    {
        XmModule module = baseModule(loopedTone());
        for (int row = 0; row < 16; row += 2) module.patterns[0].set(row, 0, {note(row), 1, 0, 0, 0});
        cases.push_back(make("plain-notes", "notes a whole tone apart, one every two rows", module));
    }
    {
        XmModule module = baseModule(loopedTone(), 1, 8);
        module.orders = {0, 1};
        XmPattern& first = module.patterns[0];
        first.set(0, 0, {c4, 1, 0, 0, 0});
        first.set(2, 0, {0, 0, 0, 0xE, 0x60});
        first.set(4, 0, {0, 0, 0, 0xE, 0x61});
        XmPattern& second = module.patterns.emplace_back();
        second.rows = 12;
        for (int row = 0; row < 12; ++row) second.set(row, 0, {note(row), 1, 0, 0, 0});
        cases.push_back(make("pattern-loop-next-pattern",
                             "after an E6x loop the next pattern starts at the loop's start row", module));
    }
    {
        XmModule module = baseModule(fadingTone(8192));
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(3, 0, {c4, 1, 0, 9, 0x40});
        pattern.set(6, 0, {note(2), 1, 0, 0, 0});
        pattern.set(8, 0, {0, 0, 0, 9, 0x30});
        pattern.set(10, 0, {c4, 1, 0, 9, 0x30});
        pattern.set(13, 0, {note(4), 1, 0, 0, 0});
        cases.push_back(make("sample-offset-past-end",
                             "a 9xx at or past the sample's end silences a note on its row and does nothing "
                             "without a note",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(4, 0, {note(12), 0, 0xF1, 0, 0});
        pattern.set(8, 0, {c4, 0, 0xF1, 0, 0});
        pattern.set(12, 0, {note(12), 0, 0xF1, 0, 0});
        cases.push_back(make("volume-column-porta-with-note",
                             "volume-column tone portamento with a note slides toward it like 3xx", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(3, 0, {keyOff, 0, 0, 0, 0});
        pattern.set(6, 0, {0, 0, 0x40, 0, 0});
        pattern.set(9, 0, {0, 0, 0, fx('K'), 0});
        pattern.set(12, 0, {0, 0, 0x30, 0, 0});
        pattern.set(14, 0, {keyOff, 0, 0, 0, 0});
        cases.push_back(make("key-off-without-envelope",
                             "key-off without a volume envelope silences the note; a volume-column volume "
                             "brings it back",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(3, 0, {keyOff, 0, 0, 0, 0});
        pattern.set(6, 0, {0, 0, 0, fx('C'), 0x30});
        pattern.set(9, 0, {0, 0, 0, fx('A'), 0xF0});
        cases.push_back(playersDisagree(
            make("key-off-then-set-volume", "Cxx or Axy after a key-off on an instrument without a volume envelope",
                 module),
            "openmpt123 brings the note back, xmp keeps it silent; ours keeps it silent until an instrument number "
            "or a volume-column volume"));
    }
    {
        XmModule module = baseModule(loopedTone());
        module.instruments[0].fadeout = 0x800;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(2, 0, {keyOff, 0, 0, 0, 0});
        pattern.set(4, 0, {0, 0, 0x50, 0, 0});
        pattern.set(8, 0, {note(3), 1, 0, 0, 0});
        pattern.set(10, 0, {keyOff, 0, 0, 0, 0});
        pattern.set(12, 0, {note(5), 0, 0, 0, 0});
        cases.push_back(playersDisagree(
            make("key-off-fadeout-without-envelope",
                 "an instrument with a fadeout but no volume envelope, brought back after its key-off by a volume "
                 "and by a note without an instrument number",
                 module),
            "xmp brings the note back for good and plays the note without a number, openmpt123 fades it out "
            "and keeps that note silent; ours fades and keeps it silent"));
    }
    {
        XmModule module = baseModule(loopedTone(), 2, 12);
        module.speed = 3;
        module.bpm = 32;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0x47});
        for (int row = 1; row < 12; ++row) pattern.set(row, 0, {0, 0, 0, 0, 0x47});
        pattern.set(2, 1, {0, 0, 0, 0xF, 4});
        pattern.set(4, 1, {0, 0, 0, 0xF, 5});
        pattern.set(6, 1, {0, 0, 0, 0xF, 6});
        pattern.set(8, 1, {0, 0, 0, 0xF, 5});
        pattern.set(9, 1, {0, 0, 0, 0xE, 0xE1});
        pattern.set(11, 1, {0, 0, 0, 0xE, 0xE1});
        cases.push_back(make("arpeggio-order",
                             "which arpeggio note sounds on which tick at speeds 3 to 6, pattern delays included",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone(), 1, 8);
        module.linearFrequencies = false;
        module.bpm = 48;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 4, 0x4F});
        for (int row = 1; row < 8; ++row) pattern.set(row, 0, {0, 0, 0, 4, 0});
        cases.push_back(make("vibrato-amiga",
                             "vibrato swings first downward in pitch in the Amiga table as in the linear one", module));
    }
    for (bool linear : {true, false}) {
        XmModule module = baseModule(loopedTone(), 1, 8);
        module.linearFrequencies = linear;
        module.bpm = 48;
        XmInstrument& instrument = module.instruments[0];
        instrument.vibratoType = 0;
        instrument.vibratoDepth = 15;
        instrument.vibratoRate = 8;
        module.patterns[0].set(0, 0, {note(linear ? 0 : 24), 1, 0, 0, 0});
        cases.push_back(
            playersDisagree(make(linear ? "auto-vibrato-direction" : "auto-vibrato-direction-amiga",
                                 std::string("which way the instrument's auto-vibrato swings first in the ") +
                                     (linear ? "linear" : "Amiga") + " table",
                                 module),
                            linear ? "openmpt123 swings up first, xmp down; ours swings up"
                                   : "openmpt123 swings up first, xmp down; ours swings down"));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        for (int row = 0; row < 16; row += 2) {
            pattern.set(row, 0, {note(row / 2), 1, 0, 0, 0});
            pattern.set(row + 1, 0, {0, 0, 0, fx('K'), static_cast<uint8_t>(1 + row / 4)});
        }
        cases.push_back(make("key-off-on-its-tick", "Kxx lets the key go on tick xx, not on tick 0", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        for (int row = 0; row < 16; ++row) pattern.set(row, 0, {note(row % 8), 1, 0, 0, 0});
        pattern.set(2, 0, {note(2), 1, 0, 0xF, 0x00});
        cases.push_back(make("speed-zero", "F00 is ignored", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        for (int row = 0; row < 16; row += 4) {
            pattern.set(row, 0,
                        {static_cast<uint8_t>(row == 0 ? c4 : 0), static_cast<uint8_t>(row == 0), 0, fx('C'), 0x20});
            for (int r = 1; r < 4; ++r) pattern.set(row + r, 0, {0, 0, 0x62, 0, 0});
        }
        cases.push_back(make("volume-column-slide", "volume-column volume slides skip tick 0", module));
    }
    {
        XmModule module = baseModule(fadingTone(), 2, 12);
        XmPattern& pattern = module.patterns[0];
        for (int row = 0; row < 12; row += 3) {
            pattern.set(row, 0, {c4, 1, 0, 0, 0});
            pattern.set(row + 1, 0, {note(5), 1, 0, 0xE, static_cast<uint8_t>(row < 6 ? 0xD8 : 0xD6)});
            pattern.set(row + 1, 1, {0, 0, 0, 0xE, 0xE1});
        }
        cases.push_back(make("note-delay-past-row",
                             "a note delay at or past the row's ticks never fires, pattern-delay repeats "
                             "included",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        for (int row = 0; row < 16; row += 2) {
            pattern.set(row, 0, {note(row / 2), 1, 0, 0, 0});
            pattern.set(row + 1, 0, {keyOff, 0, 0, 0xE, static_cast<uint8_t>(0xD2 + row / 4)});
        }
        cases.push_back(
            make("note-delay-key-off", "a delayed key-off takes effect on its tick, not on tick 0", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(2, 0, {0, 0, 0x20, 0, 0});
        pattern.set(4, 0, {note(5), 0, 0, 0xE, 0xD2});
        pattern.set(8, 0, {0, 0, 0x38, 0, 0});
        pattern.set(10, 0, {note(7), 0, 0, 0xE, 0xD1});
        pattern.set(14, 0, {note(3), 0, 0, 0xE, 0xD3});
        cases.push_back(
            make("note-delay-keeps-volume", "a delayed note without an instrument keeps the channel's volume", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 8, 0x20});
        pattern.set(4, 0, {note(5), 0, 0, 0xE, 0xD2});
        pattern.set(8, 0, {0, 0, 0, 8, 0xE0});
        pattern.set(10, 0, {note(7), 0, 0, 0xE, 0xD1});
        cases.push_back(playersDisagree(
            make("note-delay-panning", "the panning after a delayed note without an instrument", module),
            "openmpt123 keeps the channel's panning, xmp takes the sample's; ours takes the sample's"));
    }
    {
        XmModule module = baseModule(fadingTone(), 2, 8);
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0xE, 0xD3});
        pattern.set(0, 1, {0, 0, 0, 0xE, 0xE2});
        pattern.set(4, 0, {note(2), 1, 0, 0xE, 0xD2});
        pattern.set(4, 1, {0, 0, 0, 0xE, 0xE1});
        cases.push_back(
            playersDisagree(make("note-delay-in-pattern-delay",
                                 "a note delay inside the row's speed on a row with a pattern delay", module),
                            "openmpt123 plays the note again in every repeat of the row, xmp once; ours once"));
    }
    {
        XmModule module = baseModule(fadingTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0xE, 0xD0});
        pattern.set(5, 0, {note(3), 1, 0, 0xE, 0xD0});
        pattern.set(10, 0, {note(5), 1, 0x30, 0xE, 0xD0});
        cases.push_back(make("note-delay-zero", "ED0 plays its note at once", module));
    }
    {
        XmModule module = baseModule(fadingTone(2048));
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(3, 0, {0, 0, 0, 0xE, 0x90});
        pattern.set(6, 0, {0, 0, 0, 0xE, 0x90});
        pattern.set(9, 0, {note(2), 1, 0, 0xE, 0x90});
        pattern.set(12, 0, {0, 0, 0, 0xE, 0x90});
        pattern.set(14, 0, {0, 0, 0, 0xE, 0x93});
        cases.push_back(make("retrigger-zero", "E90 restarts the note on tick 0, with or without a note", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(3, 0, {0, 0, 0, 0xE, 0xC0});
        pattern.set(6, 0, {note(2), 1, 0, 0, 0});
        pattern.set(9, 0, {note(4), 1, 0, 0xE, 0xC0});
        pattern.set(12, 0, {note(5), 1, 0, 0, 0});
        cases.push_back(make("note-cut-zero", "EC0 cuts on tick 0, with or without a note", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, fx('C'), 0x10});
        pattern.set(1, 0, {0, 0, 0, 0xE, 0xAF});
        pattern.set(2, 0, {0, 0, 0, 0xE, 0xB1});
        for (int row = 3; row < 6; ++row) pattern.set(row, 0, {0, 0, 0, 0xE, 0xA0});
        pattern.set(8, 0, {0, 0, 0, fx('C'), 0x40});
        pattern.set(9, 0, {0, 0, 0, 0xE, 0xBF});
        pattern.set(10, 0, {0, 0, 0, 0xE, 0xA1});
        for (int row = 11; row < 14; ++row) pattern.set(row, 0, {0, 0, 0, 0xE, 0xB0});
        cases.push_back(make("fine-volume-memories", "EA0 and EB0 each replay their own last value", module));
    }
    {
        XmModule module = baseModule(loopedTone(), 1, 16);
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0xE, 0x50});
        pattern.set(4, 0, {c4, 0, 0, 0, 0});
        pattern.set(8, 0, {c4, 1, 0, 0xE, 0x5F});
        pattern.set(10, 0, {0, 0, 0, 0xE, 0x54});
        pattern.set(12, 0, {c4, 1, 0, 0, 0});
        pattern.set(14, 0, {c4, 0, 0, 0xE, 0x5C});
        cases.push_back(
            make("set-finetune", "E5x tunes the note of its own row, in eighths of a semitone around 8", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmInstrument& other = module.instruments.emplace_back();
        other.samples.push_back(loopedTone());
        other.samples[0].volume = 40;
        other.samples[0].panning = 0;
        other.samples[0].relativeNote = 7;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0x20, 0, 0});
        pattern.set(2, 0, {0, 1, 0, 0, 0});
        pattern.set(4, 0, {0, 0, 0x20, 0, 0});
        pattern.set(6, 0, {0, 2, 0, 0, 0});
        pattern.set(8, 0, {c4, 0, 0, 0, 0});
        pattern.set(10, 0, {c4, 1, 0x20, 0, 0});
        pattern.set(12, 0, {0, 3, 0, 0, 0});
        pattern.set(14, 0, {c4, 0, 0, 0, 0});
        cases.push_back(make("instrument-without-note",
                             "an instrument number without a note resets the volume from the sample that is "
                             "playing, which plays on; the next note takes the new instrument",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, fx('T'), 0x00});
        pattern.set(2, 0, {c4, 1, 0, fx('T'), 0x12});
        pattern.set(3, 0, {0, 0, 0, fx('T'), 0x00});
        pattern.set(4, 0, {0, 0, 0, fx('T'), 0x00});
        pattern.set(6, 0, {0, 0, 0, fx('C'), 0x40});
        pattern.set(8, 0, {c4, 0, 0, 0, 0});
        pattern.set(10, 0, {0, 1, 0, 0, 0});
        pattern.set(11, 0, {0, 0, 0, fx('T'), 0x31});
        pattern.set(12, 0, {0, 0, 0, fx('T'), 0x00});
        cases.push_back(make("tremor",
                             "tremor counts the ticks after tick 0 and leaves the note silent after it until "
                             "an instrument number",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone(), 2, 16);
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(0, 1, {0, 0, 0, fx('H'), 0x03});
        for (int row = 1; row < 6; ++row) pattern.set(row, 1, {0, 0, 0, fx('H'), 0x00});
        pattern.set(8, 1, {0, 0, 0, fx('G'), 0x40});
        pattern.set(10, 1, {0, 0, 0, fx('G'), 0x10});
        pattern.set(12, 1, {0, 0, 0, fx('H'), 0x20});
        pattern.set(13, 1, {0, 0, 0, fx('H'), 0x00});
        cases.push_back(
            make("global-volume", "Gxx and Hxy reach a channel that plays on without commands at once", module));
    }
}
