// The read-only memory file over an embedded RCDATA resource: the file
// routines the program installs, so the embedded module is parsed in place
// without a copy.
#pragma once

#include <cstdint>

namespace music {

struct MemoryFile {
    int32_t size;         // resource size in bytes
    int32_t position;     // current read position, 0..size
    const uint8_t* data;  // the resource bytes; not owned
};

// Open routine: a new MemoryFile over the RCDATA resource of that name
// ("#190"). A name that finds nothing still gives a file, of size 0, on which
// every read delivers nothing. Main thread.
void* openResourceFile(const char* name);

// Close routine: releases the MemoryFile record only.
void closeMemoryFile(void* handle);

// Read routine: copies up to `count` bytes from the current position, never
// past the end, and advances by what it copied. At the end it delivers 0 and
// leaves the destination untouched; a negative count delivers nothing.
int32_t readMemoryFile(void* destination, int32_t count, void* handle);

// Seek routine: origin 0 from the start, 1 from the current position, 2 from
// the end (low byte only); any other origin leaves the position. The result is
// clamped into 0..size, so seeking past the end parks the file at its end.
void seekMemoryFile(void* handle, int32_t offset, int32_t origin);

// Tell routine: the current position.
int32_t tellMemoryFile(void* handle);

// The seek and read rules on a position and size, shared with the disk file
// so that both kinds of file behave alike.
int32_t seekedPosition(int32_t position, int32_t size, int32_t offset, int32_t origin);
int32_t readableCount(int32_t position, int32_t size, int32_t count);

}  // namespace music
