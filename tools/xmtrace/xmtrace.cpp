// xmtrace: plays an XM module with Tavorly's engine, without a device, and
// prints after every tick one line per sounding voice: order position, row,
// tick, voice, channel, period, volume, panning and sample position.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/disk_file.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/render.h"
#include "tools/xmrender/song_end.h"
#include "tools/xmtrace/trace.h"

using namespace music;

namespace {

constexpr int32_t rate = 44100;
constexpr double maxSeconds = 30 * 60;
constexpr int32_t chunkFrames = 4410;

const char* const usageText =
    "Usage: xmtrace [options] INPUT.xm\n"
    "Plays an XM module with Tavorly's engine at 44,100 Hz and prints, after every\n"
    "tick, one line per sounding voice:\n"
    "  o<order> r<row> t<tick> v<voice> c<channel> period <p>[+/-<offset>] volume <v> pan <p> position <frames>\n"
    "('fading' instead of the period for a voice its channel has left; a tick\n"
    "without a sounding voice prints '-'). By default it stops where the song\n"
    "ends: the first time it would wrap past its last order position or jump back\n"
    "to a position already played (at most 30 minutes).\n"
    "\n"
    "Options:\n"
    "  --seconds S      trace exactly S seconds (decimals allowed) instead\n"
    "  --output FILE    write the trace into FILE instead of standard output\n"
    "  --help           show this help and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the module cannot be loaded or the trace\n"
    "cannot be written, 2 on a usage error.\n";

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "xmtrace: %s\nTry 'xmtrace --help' for more information.\n", message.c_str());
    std::exit(2);
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "xmtrace: %s\n", message.c_str());
    std::exit(1);
}

struct TraceRun {
    SongEndWatch end;
    bool stopAtEnd = true;
    std::string lines;
    std::FILE* out = stdout;
};

// After every tick: print its lines, then tell the render whether the song has ended.
bool traceTick(const Song& song, void* context) {
    auto* run = static_cast<TraceRun*>(context);
    if (run->stopAtEnd && songHasEnded(song, &run->end)) return true;
    run->lines.clear();
    appendTickTrace(song, run->lines);
    std::fputs(run->lines.c_str(), run->out);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input;
    std::string output;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usageText, stdout);
            return 0;
        }
        if (argument == "--seconds") {
            if (i + 1 >= argc) usageError("--seconds needs a value");
            char* end = nullptr;
            errno = 0;
            seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || errno != 0 || !(seconds > 0) || seconds > maxSeconds)
                usageError(std::string("--seconds wants a number of seconds above 0 and up to 1800, not '") + argv[i] +
                           "'");
        } else if (argument == "--output" || argument == "-o") {
            if (i + 1 >= argc) usageError(argument + " needs a file name");
            output = argv[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            usageError("unknown option '" + argument + "'");
        } else if (input.empty()) {
            input = argument;
        } else {
            usageError("too many arguments");
        }
    }
    if (input.empty()) usageError("needs INPUT.xm");

    std::FILE* out = stdout;
    if (!output.empty()) {
        out = std::fopen(output.c_str(), "w");
        if (!out) fail("cannot write '" + output + "': " + std::strerror(errno));
    }
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    // A failure before the first line leaves no trace file behind.
    auto dropOutput = [&] {
        if (out == stdout) return;
        std::fclose(out);
        std::remove(output.c_str());
    };
    Song* song = loadSong(input.c_str());
    if (!song) {
        dropOutput();
        fail("'" + input + "' fails to load: " + loadSongError());
    }
    if (!beginRender(song, rate)) {
        freeSong(song);
        dropOutput();
        fail("the engine refused to start the song");
    }

    TraceRun run;
    run.stopAtEnd = seconds == 0;
    run.out = out;
    const int64_t total = std::llround((run.stopAtEnd ? maxSeconds : seconds) * rate);
    std::vector<int16_t> scratch(size_t{chunkFrames} * 2);
    for (int64_t done = 0; done < total;) {
        const int64_t want = std::min<int64_t>(chunkFrames, total - done);
        const int64_t got = renderFrames(scratch.data(), want, traceTick, &run);
        done += got;
        if (got < want) break;
    }
    endRender();
    freeSong(song);
    const bool written = std::fflush(run.out) == 0 && !std::ferror(run.out);
    if (run.out != stdout && std::fclose(run.out) != 0) fail("cannot write '" + output + "'");
    if (!written) fail(output.empty() ? std::string("cannot write the trace") : "cannot write '" + output + "'");
    return 0;
}
