// xmrender's standard streams on POSIX systems.
#include "tools/xmrender/console.h"

#include <unistd.h>

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

bool isSeekable(std::FILE* stream) { return std::fseek(stream, 0, SEEK_CUR) == 0; }

// Streams are binary on POSIX systems.
void useBinaryMode(std::FILE*) {}

void eraseProgressLine(std::FILE* stream) { std::fputs("\r\033[K", stream); }
