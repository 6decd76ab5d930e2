// xmrender: renders an XM module with Tavorly's engine into a 16-bit stereo
// WAV file at 44,100 Hz, by default up to where the song ends.
#include <cerrno>
#include <chrono>
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
#include "tools/xmrender/console.h"
#include "tools/xmrender/song_end.h"
#include "tools/xmrender/wav_writer.h"

using namespace music;

namespace {

constexpr int32_t rate = 44100;
constexpr int64_t maxSongFrames = int64_t{30} * 60 * rate;  // a song that never ends stops here
constexpr int32_t chunkFrames = 65536;
constexpr double maxSeconds = maxWavFrames / static_cast<double>(rate);

const char* const usageText =
    "Usage: xmrender [options] INPUT.xm OUTPUT.wav\n"
    "Renders an XM module into a 16-bit stereo WAV file at 44,100 Hz.\n"
    "OUTPUT.wav may be - to write the WAV file to standard output.\n"
    "\n"
    "By default the render stops where the song ends: the first time it would wrap\n"
    "past its last order position or jump back to a position already played (at\n"
    "most 30 minutes).\n"
    "\n"
    "Options:\n"
    "  --seconds S   render exactly S seconds (decimals allowed) instead\n"
    "  --help        show this help and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the module or the output fails, 2 on a usage error.\n";

struct Options {
    std::string input;
    std::string output;
    bool fixedLength = false;
    int64_t frames = 0;
};

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "xmrender: %s\nTry 'xmrender --help' for more information.\n", message.c_str());
    std::exit(2);
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "xmrender: %s\n", message.c_str());
    std::exit(1);
}

int64_t parseSeconds(const char* text) {
    char* end = nullptr;
    errno = 0;
    double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !(seconds > 0.0) || seconds > maxSeconds)
        usageError(std::string("--seconds wants a number of seconds above 0 and up to ") +
                   std::to_string(static_cast<int>(maxSeconds)) + ", not '" + text + "'");
    return std::llround(seconds * rate);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument == "-" || argument.empty() || argument[0] != '-') {
            paths.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            std::fputs(usageText, stdout);
            std::exit(0);
        } else if (argument == "--seconds" || argument.rfind("--seconds=", 0) == 0) {
            const char* value = nullptr;
            if (argument == "--seconds") {
                if (i + 1 >= argc) usageError("--seconds needs a value");
                value = argv[++i];
            } else {
                value = argv[i] + std::strlen("--seconds=");
            }
            options.fixedLength = true;
            options.frames = parseSeconds(value);
        } else {
            usageError("unknown option '" + argument + "'");
        }
    }
    if (paths.size() != 2) usageError(paths.size() < 2 ? "needs INPUT.xm and OUTPUT.wav" : "too many arguments");
    options.input = paths[0];
    options.output = paths[1];
    return options;
}

// Opens and parses the module, naming the reason when it cannot.
Song* loadModule(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) fail("cannot open '" + path + "': " + std::strerror(errno));
    char signature[17] = {};
    size_t got = std::fread(signature, 1, sizeof signature, file);
    std::fclose(file);
    if (got != sizeof signature || std::memcmp(signature, "Extended Module: ", sizeof signature) != 0)
        fail("'" + path + "' is not an XM module");
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    Song* song = loadSong(path.c_str());
    if (song == nullptr) fail("'" + path + "' fails to load: " + loadSongError());
    return song;
}

std::string minutesAndSeconds(int64_t frames) {
    int64_t seconds = frames / rate;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

// A progress line on stderr, redrawn in place, only when stderr is a terminal.
struct Progress {
    bool shown = isTerminal(stderr);
    int64_t total = 0;  // 0 when the length is not known in advance
    bool drawn = false;
    std::chrono::steady_clock::time_point lastShown{};

    // Redrawn at most five times a second.
    void update(int64_t frames) {
        if (!shown) return;
        auto now = std::chrono::steady_clock::now();
        if (drawn && now - lastShown < std::chrono::milliseconds(200)) return;
        drawn = true;
        lastShown = now;
        if (total > 0)
            std::fprintf(stderr, "\rxmrender: %s of %s rendered ", minutesAndSeconds(frames).c_str(),
                         minutesAndSeconds(total).c_str());
        else
            std::fprintf(stderr, "\rxmrender: %s rendered ", minutesAndSeconds(frames).c_str());
        std::fflush(stderr);
    }
    void finish() {
        if (drawn) eraseProgressLine(stderr);
    }
};

// Copies what was written to `from` to `to`, from its start.
bool copyAll(std::FILE* from, std::FILE* to) {
    if (std::fflush(from) != 0 || std::fseek(from, 0, SEEK_SET) != 0) return false;
    std::vector<char> buffer(size_t{1} << 16);
    for (;;) {
        size_t got = std::fread(buffer.data(), 1, buffer.size(), from);
        if (got > 0 && std::fwrite(buffer.data(), 1, got, to) != got) return false;
        if (got < buffer.size()) return std::ferror(from) == 0;
    }
}

// Renders the song from its start: `limit` frames, or to its end when
// `toEnd`, handing each chunk to `sink`. Returns the frames rendered.
template <class Sink>
int64_t render(Song* song, int64_t limit, bool toEnd, Progress* progress, Sink&& sink) {
    beginRender(song, rate);
    SongEndWatch watch;
    std::vector<int16_t> chunk(2 * static_cast<size_t>(chunkFrames));
    int64_t done = 0;
    while (done < limit) {
        int64_t want = std::min<int64_t>(chunkFrames, limit - done);
        int64_t got = renderFrames(chunk.data(), want, toEnd ? songHasEnded : nullptr, &watch);
        sink(chunk.data(), got);
        done += got;
        if (progress != nullptr) progress->update(done);
        if (got < want) break;
    }
    endRender();
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    bool toStdout = options.output == "-";
    if (toStdout && isTerminal(stdout))
        usageError("will not write WAV data to a terminal; redirect standard output or name a file");

    Song* song = loadModule(options.input);

    std::FILE* out = toStdout ? stdout : std::fopen(options.output.c_str(), "wb");
    if (out == nullptr) fail("cannot write '" + options.output + "': " + std::strerror(errno));
    if (toStdout) useBinaryMode(out);
    std::string outputName = toStdout ? "standard output" : "'" + options.output + "'";
    bool seekable = isSeekable(out);

    int64_t limit = options.fixedLength ? options.frames : maxSongFrames;
    bool toEnd = !options.fixedLength;
    Progress progress;
    progress.total = options.fixedLength ? limit : 0;
    // The header holds the song's length. When that is known only at the end
    // and the output cannot seek back to the header (a pipe), the samples go
    // to a temporary file first and follow the header once the render is
    // done. The song is rendered once either way: some effects leave state
    // behind in the song, so a second pass need not give the same samples.
    bool spooled = toEnd && !seekable;
    std::FILE* sink = out;
    if (spooled) {
        sink = std::tmpfile();
        if (sink == nullptr) fail(std::string("cannot create a temporary file: ") + std::strerror(errno));
    }

    uint8_t header[44];
    bool written = true;
    if (!spooled) {
        wavHeader(header, rate, static_cast<uint32_t>(toEnd ? 0 : limit));
        written = std::fwrite(header, 1, sizeof header, out) == sizeof header;
    }
    int64_t frames = render(song, limit, toEnd, &progress, [&](const int16_t* samples, int64_t count) {
        if (written) written = writeWavFrames(sink, samples, count);
    });
    progress.finish();
    if (written && spooled) {
        wavHeader(header, rate, static_cast<uint32_t>(frames));
        written = std::fwrite(header, 1, sizeof header, out) == sizeof header && copyAll(sink, out);
    } else if (written && toEnd) {
        wavHeader(header, rate, static_cast<uint32_t>(frames));
        written = std::fseek(out, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, out) == sizeof header;
    }
    int saved = errno;
    if (spooled) std::fclose(sink);
    bool closed = toStdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
    freeSong(song);
    if (!written || !closed) {
        if (!toStdout) std::remove(options.output.c_str());
        fail("cannot write " + outputName + ": " + std::strerror(written ? errno : saved));
    }
    return 0;
}
