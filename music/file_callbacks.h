// The five replaceable file routines through which the music engine reads its
// module, and the loader's handle over them. The program installs the memory
// file over its embedded resources; tools and tests install the disk file.
#pragma once

#include <cstdint>

namespace music {

// Opens a module by name (a resource name or a path); none when it cannot.
using FileOpenRoutine = void* (*)(const char* name);
using FileCloseRoutine = void (*)(void* handle);
// Copies up to `count` bytes to `destination`; returns the bytes delivered.
using FileReadRoutine = int32_t (*)(void* destination, int32_t count, void* handle);
// Origin 0 from the start, 1 from the current position, 2 from the end; only
// the low byte of the origin counts.
using FileSeekRoutine = void (*)(void* handle, int32_t offset, int32_t origin);
using FileTellRoutine = int32_t (*)(void* handle);

struct FileCallbacks {
    FileOpenRoutine open;
    FileCloseRoutine close;
    FileReadRoutine read;
    FileSeekRoutine seek;
    FileTellRoutine tell;
};

constexpr int32_t seekFromStart = 0;
constexpr int32_t seekFromCurrent = 1;
constexpr int32_t seekFromEnd = 2;

// Stores the five routines; if any one is missing, clears all five. Called on
// the main thread at start-up (or by a test), before the audio output opens.
void installFileCallbacks(FileOpenRoutine open, FileCloseRoutine close, FileReadRoutine read, FileSeekRoutine seek,
                          FileTellRoutine tell);

// True when all five routines are installed; the audio output refuses to open
// otherwise. Main thread.
bool fileCallbacksInstalled();

// The loader's handle: the opaque handle that the installed open routine gave.
struct SongFile {
    void* handle;
};

// A new SongFile over the installed open routine's handle for that name, or
// none (also when no routines are installed). Main thread, by loadSong.
SongFile* openSongFile(const char* name);

// Closes the handle and releases the SongFile; accepts none.
void closeSongFile(SongFile* file);

// The installed read, seek and tell on the file's handle; with no file (or no
// routines) they do nothing and return 0.
int32_t songFileRead(void* destination, int32_t count, SongFile* file);
void songFileSeek(SongFile* file, int32_t offset, int32_t origin);
int32_t songFileTell(SongFile* file);

}  // namespace music
