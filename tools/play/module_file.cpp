// Module files: the signature and names are read through the disk file
// routines before the loader runs, so that a file that is not an XM module
// gets its own reason.
#include "tools/play/module_file.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "music/disk_file.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"

using namespace music;

namespace {

// The XM header's first bytes: signature, song name, 0x1A, tracker name.
constexpr size_t signatureSize = 17;
constexpr size_t nameOffset = 17;
constexpr size_t nameSize = 20;
constexpr size_t trackerOffset = 38;
constexpr size_t headerBytes = trackerOffset + nameSize;

}  // namespace

std::string printableName(const char* bytes, size_t count) {
    std::string name;
    for (size_t i = 0; i < count && bytes[i] != '\0'; ++i) {
        const char c = bytes[i];
        name += c >= 0x20 && c < 0x7f ? c : ' ';
    }
    const size_t end = name.find_last_not_of(' ');
    name.erase(end == std::string::npos ? 0 : end + 1);
    return name;
}

ModuleFile openModuleFile(const std::string& path) {
    ModuleFile module;
    const std::string quoted = "'" + path + "'";
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        module.error = "cannot open " + quoted + ": " + std::strerror(errno);
        return module;
    }
    if (S_ISDIR(status.st_mode)) {
        module.error = "cannot open " + quoted + ": " + std::strerror(EISDIR);
        return module;
    }
    if (!S_ISREG(status.st_mode)) {
        module.error = "cannot open " + quoted + ": not a regular file";
        return module;
    }
    errno = 0;
    void* file = openDiskFile(path.c_str());
    if (file == nullptr) {
        // The disk file takes files up to 2 GiB; an XM module is far smaller.
        module.error = "cannot open " + quoted + ": " + (errno != 0 ? std::strerror(errno) : "larger than 2 GiB");
        return module;
    }
    std::array<char, headerBytes> header{};
    const int32_t got = readDiskFile(header.data(), static_cast<int32_t>(header.size()), file);
    closeDiskFile(file);
    if (got < static_cast<int32_t>(signatureSize) ||
        std::memcmp(header.data(), "Extended Module: ", signatureSize) != 0) {
        module.error = quoted + " is not an XM module";
        return module;
    }
    module.songName = printableName(header.data() + nameOffset, nameSize);
    module.trackerName = printableName(header.data() + trackerOffset, nameSize);
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    module.song = loadSong(path.c_str());
    if (module.song == nullptr) module.error = quoted + " fails to load: " + loadSongError();
    return module;
}
