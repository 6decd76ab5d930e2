// The capture loop. Frame k is drawn with the scene's clock at k * 1000 / fps
// ms and the generator seeded once after the scene is built, exactly as the
// demo's main loop draws, so the scene's state and its random draws follow
// the same path on every run. Frames before the span are still drawn (the
// scroller, the swarm and the generator move with every frame), but with an
// empty scissor box, so the software rasteriser has no pixels to fill, and
// nothing is read back or encoded; their music is rendered and dropped.
#include "tools/capture/capture_session.h"

#include <GL/gl.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/display.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/memory_file.h"
#include "music/render.h"
#include "scene/demo_scene.h"
#include "scene/random_generator.h"
#include "scene/scroller.h"
#include "scene/tick_source.h"
#include "tools/capture/capture_timing.h"
#include "tools/capture/png_frame_writer.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/video_pipe.h"
#include "tools/capture/wav_writer.h"

using namespace music;

namespace {

// The module "#190" loaded from the embedded resources and rendered offline.
class MusicTrack {
public:
    MusicTrack() = default;
    MusicTrack(const MusicTrack&) = delete;
    MusicTrack& operator=(const MusicTrack&) = delete;
    ~MusicTrack() {
        if (song) {
            endRender();
            freeSong(song);
        }
    }

    bool start(std::string& error) {
        installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
        song = loadSong("#190");
        if (!song) {
            error = std::string("cannot load the music (resource #190): ") + loadSongError();
            return false;
        }
        if (!beginRender(song, captureAudioRate)) {
            error = "cannot start rendering the music";
            return false;
        }
        return true;
    }

    // The next `frames` frames of the music, interleaved left/right.
    std::span<const int16_t> render(int64_t frames) {
        pcm.resize(2 * static_cast<size_t>(frames));
        const int64_t rendered = renderFrames(pcm.data(), frames);
        // The engine renders every frame it is asked for; should it ever stop
        // short, the rest is silence rather than a shorter span.
        std::fill(pcm.begin() + 2 * rendered, pcm.end(), int16_t{0});
        return pcm;
    }

private:
    Song* song = nullptr;
    std::vector<int16_t> pcm;
};

// The progress of the capture after `framesRun` frames. When the span ends at
// the end mark, its end is estimated from the share of the scrolltext read so
// far (erased codes included) of the bytes that can be read before the text
// would restart; the scroll speed changes along the text, so it is a guess.
Progress captureProgress(const CaptureOptions& options, const DemoScene& scene, int64_t framesRun) {
    const int64_t first = options.firstFrame;
    if (framesRun <= first) {
        return Progress{framesRun, first, false, true};
    }
    const int64_t done = framesRun - first;
    if (options.lastFrame) {
        return Progress{done, *options.lastFrame - first + 1, false, false};
    }
    const Scroller& scroller = scene.scroller();
    const auto readBytes = static_cast<int64_t>(scroller.textPos) +
                           static_cast<int64_t>(scroller.sourceText.size() - scroller.workingText.size());
    const auto readableBytes = static_cast<int64_t>(scroller.sourceText.size()) - restartMargin;
    if (readBytes <= 0 || readableBytes <= 0) {
        return Progress{done, 0, false, false};
    }
    const int64_t framesToEnd = framesRun * readableBytes / readBytes;
    return Progress{done, std::max(done, framesToEnd - first), true, false};
}

// Set from the signal handler on SIGINT and SIGTERM; the loop stops at the
// next frame and closes the files properly.
volatile std::sig_atomic_t stopSignalled = 0;

// Opens and closes the offscreen display around the capture.
class OffscreenDisplay {
public:
    bool open() {
        opened = openDisplay("Tavorly!", captureWidth, captureHeight, 32, DisplaySurface::Offscreen);
        return opened;
    }
    ~OffscreenDisplay() {
        if (opened) {
            closeDisplay();
        }
    }

private:
    bool opened = false;
};

}  // namespace

void requestCaptureStop() { stopSignalled = 1; }

bool runCapture(const CaptureOptions& options, std::string_view textBody, std::string_view textTail, bool showProgress,
                CaptureReport& report) {
    std::string& error = report.error;
    const bool wantsPictures = !options.pngDirectory.empty() || !options.videoPath.empty();
    const bool wantsMusic = !options.audioPath.empty() || !options.videoPath.empty();

    if (!options.pngDirectory.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(options.pngDirectory, failure);
        if (failure) {
            error = "cannot create " + options.pngDirectory + ": " + failure.message();
            return false;
        }
    }
    WavWriter wav;
    if (!options.audioPath.empty() && !wav.open(options.audioPath, captureAudioRate, error)) {
        return false;
    }

    OffscreenDisplay display;
    if (!display.open()) {
        error = "cannot open an offscreen OpenGL display";
        return false;
    }
    ManualClock clock;
    clock.set(tickOfFrame(0, options.fps));
    RandomGenerator random;
    // Built from the unseeded generator, as the demo builds it; seeded after.
    std::optional<DemoScene> scene;
    scene.emplace(clock.source(), random, textBody, textTail);
    random.seed(options.seed);

    MusicTrack music;
    if (wantsMusic && !music.start(error)) {
        return false;
    }
    VideoPipe video;
    if (!options.videoPath.empty() &&
        !video.start(options.videoPath, captureWidth, captureHeight, options.fps, error)) {
        return false;
    }

    std::vector<uint8_t> rgb(static_cast<size_t>(captureWidth) * captureHeight * 3);
    std::optional<PngFrameWriter> pngFrames;
    if (!options.pngDirectory.empty()) {
        pngFrames.emplace(options.pngDirectory, captureWidth, captureHeight);
    }
    ProgressBar progressBar(showProgress);
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t cpuStarted = std::clock();

    bool ok = true;
    for (int64_t frame = 0; ok; ++frame) {
        if (stopSignalled) {
            error = "interrupted at frame " + std::to_string(frame) + "; the files hold the frames before it";
            report.interrupted = true;
            ok = false;
            break;
        }
        const bool inSpan = frame >= options.firstFrame;
        if (frame == options.firstFrame) {
            report.secondsBeforeSpan =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            report.cpuSecondsBeforeSpan = static_cast<double>(std::clock() - cpuStarted) / CLOCKS_PER_SEC;
        }
        clock.set(tickOfFrame(frame, options.fps));
        if (!inSpan) {
            glScissor(0, 0, 0, 0);
            glEnable(GL_SCISSOR_TEST);
        }
        const int32_t ended = stepFrame([&] {
            const int32_t result = scene->drawFrame();
            if (inSpan && wantsPictures && !readFramePixels(rgb)) {
                error = "cannot read the drawn frame back";
                ok = false;
            }
            return result;
        });
        if (!inSpan) {
            glDisable(GL_SCISSOR_TEST);
        }
        std::span<const int16_t> pcm;
        if (wantsMusic) {
            pcm = music.render(audioFrameOfFrame(frame + 1, options.fps) - audioFrameOfFrame(frame, options.fps));
        }
        report.framesRun = frame + 1;

        if (ok && inSpan) {
            if (pngFrames) {
                ok = pngFrames->write(frame, rgb, error);
            }
            if (ok && !options.audioPath.empty()) {
                ok = wav.write(pcm, error);
            }
            if (ok && !options.videoPath.empty()) {
                ok = video.writeFrame(rgb, pcm, error);
            }
            if (ok) {
                ++report.framesWritten;
            }
        }
        if (progressBar.due()) {
            progressBar.update(captureProgress(options, *scene, frame + 1));
        }
        if (ended) {
            report.endFrame = frame;
            break;
        }
        if (options.lastFrame && frame == *options.lastFrame) {
            break;
        }
    }
    if (pngFrames) {
        std::string pngError;
        if (!pngFrames->finish(pngError) && ok) {
            error = pngError;
            ok = false;
        }
    }
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    report.cpuSeconds = static_cast<double>(std::clock() - cpuStarted) / CLOCKS_PER_SEC;
    if (ok) {
        progressBar.finish(Progress{report.framesWritten, report.framesWritten});
    } else {
        progressBar.finish(captureProgress(options, *scene, report.framesRun));
    }

    if (ok && report.framesWritten == 0) {
        error = "the production ends at frame " + std::to_string(report.endFrame) + ", before frame " +
                std::to_string(options.firstFrame);
        ok = false;
    }
    if (!options.videoPath.empty()) {
        std::string videoError;
        if (!video.finish(videoError) && ok) {
            error = videoError;
            ok = false;
        }
    }
    if (!options.audioPath.empty()) {
        std::string wavError;
        if (!wav.close(wavError) && ok) {
            error = wavError;
            ok = false;
        }
    }
    // The scene's textures go before the GL context does.
    scene.reset();
    return ok;
}
