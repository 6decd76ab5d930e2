// File routines over ordinary files. The handle keeps the size found at open
// and its own position, so the clamping rules match the memory file's exactly.
#include "music/disk_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <limits>

#include "music/memory_file.h"

namespace music {

namespace {

struct DiskFile {
    std::FILE* stream;
    int32_t size;      // bytes, found at open
    int32_t position;  // 0..size
    int32_t streamAt;  // where the stream stands; a seek is only issued when it differs
};

}  // namespace

void* openDiskFile(const char* path) {
    if (!path) return nullptr;
    std::FILE* stream = std::fopen(path, "rb");
    if (!stream) return nullptr;
    struct stat status {};
    if (fstat(fileno(stream), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > std::numeric_limits<int32_t>::max()) {
        std::fclose(stream);
        return nullptr;
    }
    return new DiskFile{stream, static_cast<int32_t>(status.st_size), 0, 0};
}

void closeDiskFile(void* handle) {
    auto* file = static_cast<DiskFile*>(handle);
    std::fclose(file->stream);
    delete file;
}

int32_t readDiskFile(void* destination, int32_t count, void* handle) {
    auto* file = static_cast<DiskFile*>(handle);
    count = readableCount(file->position, file->size, count);
    if (count <= 0) return 0;
    if (file->streamAt != file->position) {
        if (std::fseek(file->stream, file->position, SEEK_SET) != 0) return 0;
        file->streamAt = file->position;
    }
    const auto delivered = static_cast<int32_t>(std::fread(destination, 1, static_cast<size_t>(count), file->stream));
    file->position += delivered;
    file->streamAt = file->position;
    return delivered;
}

void seekDiskFile(void* handle, int32_t offset, int32_t origin) {
    auto* file = static_cast<DiskFile*>(handle);
    file->position = seekedPosition(file->position, file->size, offset, origin);
}

int32_t tellDiskFile(void* handle) { return static_cast<DiskFile*>(handle)->position; }

}  // namespace music
