// A busy 32-channel module for the render benchmarks, written to a temporary
// file whose path is returned.
#pragma once

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/xmwriter/xm_writer.h"

inline std::string writeBusyModule() {
    XmModule module;
    module.channels = 32;
    module.speed = 4;
    module.bpm = 140;
    module.orders = {0, 1, 0, 1};
    for (int p = 0; p < 2; ++p) {
        XmPattern& pattern = module.patterns.emplace_back();
        pattern.rows = 64;
        for (int row = 0; row < 64; ++row) {
            for (int c = 0; c < 32; ++c) {
                uint8_t note = static_cast<uint8_t>(25 + (row * 7 + c * 5 + p * 3) % 48);
                if ((row + c) % 4 == 0)
                    pattern.set(row, c, {note, static_cast<uint8_t>(1 + c % 4), 0, 0x04, 0x46});
                else
                    pattern.set(row, c, {0, 0, static_cast<uint8_t>(0xC0 + (row * 3 + c) % 16), 0x0A, 0x01});
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        XmInstrument& instrument = module.instruments.emplace_back();
        XmSample sample;
        sample.sixteenBit = true;
        int length = 2000 + 700 * i;
        for (int f = 0; f < length; ++f) sample.pcm.push_back(static_cast<int16_t>(((f * (13 + i)) % 200 - 100) * 60));
        sample.loop = i % 2 == 0 ? XmLoop::forward : XmLoop::pingPong;
        sample.loopStart = 500;
        sample.loopLength = static_cast<uint32_t>(length - 500);
        sample.volume = 48;
        instrument.samples.push_back(sample);
        instrument.volumeEnvelope.points = {{0, 64}, {20, 40}, {60, 30}};
        instrument.volumeEnvelope.on = true;
    }
    char name[] = "/tmp/tavorly_busy_XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    writeXmFile(module, name);
    return name;
}
