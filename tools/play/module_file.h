// Opening a module file for playing: the song through the engine's disk
// file routines (as xmrender loads it), the names from its header, and a
// one-line reason when it cannot be played.
#pragma once

#include <string>

#include "music/song.h"

struct ModuleFile {
    music::Song* song = nullptr;  // none when the file cannot be played; the caller frees it
    std::string songName;         // from the header, printable characters only, trimmed
    std::string trackerName;      // likewise
    std::string error;            // why there is no song, naming the file
};

// Installs the disk file routines and loads `path`. Main thread, while no
// song is being rendered.
ModuleFile openModuleFile(const std::string& path);

// A header text field as it can be shown: bytes outside printable ASCII
// become spaces and the trailing padding goes.
std::string printableName(const char* bytes, size_t count);
