// File routines over ordinary files, for the tools and tests: the same five
// routines as the memory file, with a path instead of a resource name. Seeks
// and reads follow the memory file's rules (clamped into the file, a read at
// the end delivers nothing), so a module loads the same from either.
#pragma once

#include <cstdint>

namespace music {

// Open routine: the file at that path, opened for reading, or none when it
// cannot be opened, is not a regular file or is larger than 2 GiB.
void* openDiskFile(const char* path);

// Close routine: closes the file and releases its handle.
void closeDiskFile(void* handle);

// Read, seek and tell routines, as readMemoryFile, seekMemoryFile and
// tellMemoryFile.
int32_t readDiskFile(void* destination, int32_t count, void* handle);
void seekDiskFile(void* handle, int32_t offset, int32_t origin);
int32_t tellDiskFile(void* handle);

}  // namespace music
