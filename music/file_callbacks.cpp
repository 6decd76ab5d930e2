// The installed file routines and the SongFile wrappers over them.
#include "music/file_callbacks.h"

namespace music {

namespace {

// Written only on the main thread before the output opens; all five are set
// or none is.
FileCallbacks installed{};

}  // namespace

void installFileCallbacks(FileOpenRoutine open, FileCloseRoutine close, FileReadRoutine read, FileSeekRoutine seek,
                          FileTellRoutine tell) {
    if (open && close && read && seek && tell)
        installed = FileCallbacks{open, close, read, seek, tell};
    else
        installed = FileCallbacks{};
}

bool fileCallbacksInstalled() { return installed.open != nullptr; }

SongFile* openSongFile(const char* name) {
    if (!fileCallbacksInstalled()) return nullptr;
    void* handle = installed.open(name);
    if (!handle) return nullptr;
    return new SongFile{handle};
}

void closeSongFile(SongFile* file) {
    if (!file) return;
    if (installed.close) installed.close(file->handle);
    delete file;
}

int32_t songFileRead(void* destination, int32_t count, SongFile* file) {
    if (!file || !installed.read) return 0;
    return installed.read(destination, count, file->handle);
}

void songFileSeek(SongFile* file, int32_t offset, int32_t origin) {
    if (!file || !installed.seek) return;
    installed.seek(file->handle, offset, origin);
}

int32_t songFileTell(SongFile* file) {
    if (!file || !installed.tell) return 0;
    return installed.tell(file->handle);
}

}  // namespace music
