// The memory file over an embedded resource.
#include "music/memory_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "data/resources.h"

namespace music {

int32_t seekedPosition(int32_t position, int32_t size, int32_t offset, int32_t origin) {
    int64_t target = position;
    switch (origin & 0xff) {
        case 0: target = offset; break;
        case 1: target = int64_t{position} + offset; break;
        case 2: target = int64_t{size} + offset; break;
        default: break;
    }
    // Past the end parks at the end; before the start is taken as the start,
    // so the position never leaves the data.
    return static_cast<int32_t>(std::clamp<int64_t>(target, 0, size));
}

int32_t readableCount(int32_t position, int32_t size, int32_t count) { return std::clamp(count, 0, size - position); }

void* openResourceFile(const char* name) {
    auto* file = new MemoryFile{};
    if (name) {
        if (auto resource = findResource(ResourceType::RcData, name)) {
            file->data = resource->bytes;
            file->size = static_cast<int32_t>(std::min<uint32_t>(resource->size, std::numeric_limits<int32_t>::max()));
        }
    }
    return file;
}

void closeMemoryFile(void* handle) { delete static_cast<MemoryFile*>(handle); }

int32_t readMemoryFile(void* destination, int32_t count, void* handle) {
    auto* file = static_cast<MemoryFile*>(handle);
    count = readableCount(file->position, file->size, count);
    if (count > 0) std::memcpy(destination, file->data + file->position, static_cast<size_t>(count));
    file->position += count;
    return count;
}

void seekMemoryFile(void* handle, int32_t offset, int32_t origin) {
    auto* file = static_cast<MemoryFile*>(handle);
    file->position = seekedPosition(file->position, file->size, offset, origin);
}

int32_t tellMemoryFile(void* handle) { return static_cast<MemoryFile*>(handle)->position; }

}  // namespace music
