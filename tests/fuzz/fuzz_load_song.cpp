// Fuzzes the loader and the player on arbitrary bytes: each input is served
// as the embedded module, loaded, read up to every bound the song claims,
// played for a bounded number of ticks, and released. Built with address and
// undefined-behaviour checks, so a read outside what the loader allocated, an
// overflow or a leak stops the run. Built a second time without the playing
// as fuzz_load_xm, for long campaigns over the loader alone.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_exercise.h"

#ifndef TAVORLY_FUZZ_PLAY
#define TAVORLY_FUZZ_PLAY 1
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    exerciseModuleBytes(data, size, TAVORLY_FUZZ_PLAY != 0);
    return 0;
}
