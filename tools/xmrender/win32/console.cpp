// xmrender's standard streams on Windows.
#include "tools/xmrender/console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

// A seek on a pipe can report success on Windows, so the kind of the handle
// is asked instead.
bool isSeekable(std::FILE* stream) {
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

void useBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

// The console may not understand escape sequences: the line is blanked.
void eraseProgressLine(std::FILE* stream) { std::fputs("\r                                        \r", stream); }
