// Parsing of tavorly-capture's command line. Options take their value either as
// the next argument (--fps 30) or after an equals sign (--fps=30).
#include "tools/capture/capture_options.h"

#include <charconv>

namespace {

template <typename Number>
bool parseWholeNumber(std::string_view text, Number& value) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [stop, status] = std::from_chars(text.data(), end, value);
    return status == std::errc() && stop == end;
}

// "FIRST:LAST", "FIRST:", ":LAST" or a single frame "N".
bool parseFrameSpan(std::string_view text, CaptureOptions& options, std::string& error) {
    const auto fail = [&](std::string why) {
        error = "--frames " + std::string(text) + ": " + std::move(why);
        return false;
    };
    const size_t colon = text.find(':');
    std::string_view first = text.substr(0, colon);
    std::string_view last = colon == std::string_view::npos ? text : text.substr(colon + 1);
    if (first.empty() && last.empty()) {
        return fail("expected FIRST:LAST, FIRST: or :LAST");
    }
    int64_t firstFrame = 0;
    if (!first.empty() && (!parseWholeNumber(first, firstFrame) || firstFrame < 0)) {
        return fail("FIRST must be a frame number, 0 or more");
    }
    std::optional<int64_t> lastFrame;
    if (!last.empty()) {
        int64_t value = 0;
        if (!parseWholeNumber(last, value) || value < 0) {
            return fail("LAST must be a frame number, 0 or more");
        }
        if (value < firstFrame) {
            return fail("LAST comes before FIRST");
        }
        lastFrame = value;
    }
    options.firstFrame = firstFrame;
    options.lastFrame = lastFrame;
    return true;
}

}  // namespace

CaptureOptionsResult parseCaptureOptions(const std::vector<std::string_view>& arguments) {
    CaptureOptions options;
    std::string error;
    const auto fail = [&](std::string message) { return CaptureOptionsResult{std::nullopt, std::move(message)}; };

    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view name = arguments[i];
        std::optional<std::string_view> inlineValue;
        if (name.starts_with("--")) {
            if (const size_t equals = name.find('='); equals != std::string_view::npos) {
                inlineValue = name.substr(equals + 1);
                name = name.substr(0, equals);
            }
        }
        if (name == "--help" || name == "-h") {
            options.showHelp = true;
            continue;
        }
        const bool takesValue = name == "--fps" || name == "--seed" || name == "--frames" || name == "--png" ||
                                name == "--audio" || name == "--video";
        if (!takesValue) {
            if (name.starts_with("-")) {
                return fail("unknown option " + std::string(name));
            }
            return fail("unexpected argument " + std::string(name));
        }
        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return fail(std::string(name) + " needs a value");
        }

        if (name == "--fps") {
            int32_t fps = 0;
            if (!parseWholeNumber(value, fps) || fps < 1 || fps > maxCaptureFps) {
                return fail("--fps needs a whole number from 1 to " + std::to_string(maxCaptureFps) + ", not '" +
                            std::string(value) + "'");
            }
            options.fps = fps;
        } else if (name == "--seed") {
            uint32_t seed = 0;
            if (!parseWholeNumber(value, seed)) {
                return fail("--seed needs a whole number from 0 to 4294967295, not '" + std::string(value) + "'");
            }
            options.seed = seed;
        } else if (name == "--frames") {
            if (!parseFrameSpan(value, options, error)) {
                return fail(error);
            }
        } else if (value.empty()) {
            return fail(std::string(name) + " needs a non-empty path");
        } else if (name == "--png") {
            options.pngDirectory = value;
        } else if (name == "--audio") {
            options.audioPath = value;
        } else {
            options.videoPath = value;
        }
    }
    return CaptureOptionsResult{options, {}};
}

std::string captureUsage() {
    return "Usage: tavorly-capture [options]\n"
           "Renders the production offline, without a display, a sound device or real time:\n"
           "every frame as the demo draws it and the music as the engine renders it, in step.\n"
           "\n"
           "Options:\n"
           "  --fps N              frames per second of the capture (default 60, at most 1000);\n"
           "                       frame k is drawn at k * 1000 / N milliseconds\n"
           "  --seed N             seed of the random generator (default 1)\n"
           "  --frames FIRST:LAST  inclusive span of frames to write (default: from 0 to the\n"
           "                       frame that reads the end mark); FIRST: and :LAST leave one\n"
           "                       end open. Earlier frames are still run, but not drawn.\n"
           "  --png DIR            write DIR/frame_000000.png ... (DIR is created if missing)\n"
           "  --audio FILE.wav     write the music of the span, 16-bit stereo at 44,100 Hz\n"
           "  --video FILE.mp4     encode pictures and music with ffmpeg (H.264 and AAC)\n"
           "  -h, --help           show this text\n"
           "\n"
           "Any combination of --png, --audio and --video may be given; with none of them the\n"
           "frames are rendered and discarded. A progress bar is shown when stderr is a terminal.\n"
           "The same options always give the same bytes.\n";
}
