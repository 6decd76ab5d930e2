// What xmrender needs to know about its standard streams, which the
// platforms answer differently. Per platform (posix/, win32/); called by
// xmrender's main on the main thread.
#pragma once

#include <cstdio>

// True when the stream is an interactive terminal (progress is shown there;
// WAV data is never written there).
bool isTerminal(std::FILE* stream);

// True when the stream is a regular file that can be rewound (the WAV header
// is then patched at the end instead of rendering the song twice).
bool isSeekable(std::FILE* stream);

// Makes the stream pass bytes through unchanged (on Windows standard output
// is opened in text mode, which would turn every 0x0A byte of the WAV data
// into 0x0D 0x0A). Called before any byte is written to it.
void useBinaryMode(std::FILE* stream);

// Clears the progress line drawn with "\r" on the terminal.
void eraseProgressLine(std::FILE* stream);
