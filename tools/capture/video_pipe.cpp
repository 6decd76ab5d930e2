// The ffmpeg child process and the two pipes that feed it. The picture pipe is
// ffmpeg's standard input; the music pipe is its descriptor 3, read as
// "pipe:3". Both are written without blocking and polled together, so a full
// music pipe never stalls the pictures (or the other way round) while ffmpeg
// waits for the other stream.
#include "tools/capture/video_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/capture/capture_timing.h"

extern char** environ;

namespace {

// Both read ends are moved to this descriptor or above before the child's
// descriptors 0 and 3 are set up, so no dup2 can overwrite the other.
constexpr int firstSpareFd = 10;
constexpr int pipeBytes = 1 << 20;

bool makePipe(int& readEnd, int& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd = fcntl(ends[0], F_DUPFD_CLOEXEC, firstSpareFd);
    ::close(ends[0]);
    writeEnd = ends[1];
    if (readEnd < 0) {
        ::close(writeEnd);
        return false;
    }
    // A larger pipe lets ffmpeg's reading and our drawing overlap by a frame;
    // the default size still works.
    fcntl(writeEnd, F_SETPIPE_SZ, pipeBytes);
    fcntl(writeEnd, F_SETFL, O_NONBLOCK);
    return true;
}

// Writes as much of bytes as fits now; false on a broken pipe or other error.
bool writeSome(int fd, std::span<const uint8_t>& bytes) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written >= 0) {
        bytes = bytes.subspan(static_cast<size_t>(written));
        return true;
    }
    return errno == EAGAIN || errno == EINTR;
}

}  // namespace

std::string findExecutable(const std::string& program, const std::string& searchPath) {
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos) {
            end = searchPath.size();
        }
        const std::string directory = end > start ? searchPath.substr(start, end - start) : ".";
        const std::string candidate = directory + "/" + program;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

VideoPipe::~VideoPipe() {
    closePipes();
    if (child > 0) {
        std::string ignored;
        waitForExit(ignored);
    }
}

bool VideoPipe::start(const std::string& outputPath, int32_t width, int32_t height, int32_t fps, std::string& error) {
    const char* searchPath = std::getenv("PATH");
    const std::string ffmpeg = findExecutable("ffmpeg", searchPath ? searchPath : "/usr/bin:/bin");
    if (ffmpeg.empty()) {
        error = "--video needs ffmpeg, which is not installed (on Debian: apt-get install ffmpeg)";
        return false;
    }
    // A write to a pipe whose reader has gone must fail with EPIPE rather than
    // kill the capture, so that the failure can be reported.
    signal(SIGPIPE, SIG_IGN);

    int videoRead = -1;
    int audioRead = -1;
    if (!makePipe(videoRead, videoFd) || !makePipe(audioRead, audioFd)) {
        error = std::string("cannot create a pipe to ffmpeg: ") + std::strerror(errno);
        if (videoRead >= 0) {
            ::close(videoRead);
        }
        closePipes();
        return false;
    }

    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(fps);
    const std::string audioRate = std::to_string(captureAudioRate);
    const std::vector<std::string> arguments = {
        ffmpeg, "-hide_banner", "-nostats", "-loglevel", "error", "-y",
        // Both inputs are fully described, so ffmpeg is told not to read ahead
        // to analyse them: while it opens one input it reads nothing from the
        // other, and a long analysis would wait for data that is only written
        // after the frame it is waiting on.
        "-probesize", "32", "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i",
        "pipe:0", "-probesize", "32", "-f", "s16le", "-ar", audioRate, "-ac", "2", "-i", "pipe:3", "-map", "0:v",
        "-map", "1:a", "-c:v", "libx264", "-preset", "superfast", "-crf", "18", "-pix_fmt", "yuv420p", "-c:a", "aac",
        "-b:a", "192k", "-movflags", "+faststart", "-fflags", "+bitexact", outputPath};
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, videoRead, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, audioRead, 3);
    // A process group of its own keeps the terminal's Ctrl+C from ffmpeg: the
    // capture stops on it and ends the streams, and ffmpeg then completes
    // the file.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int status = posix_spawn(&child, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(videoRead);
    ::close(audioRead);
    if (status != 0) {
        child = -1;
        closePipes();
        error = "cannot start " + ffmpeg + ": " + std::strerror(status);
        return false;
    }
    return true;
}

bool VideoPipe::writeFrame(std::span<const uint8_t> rgb, std::span<const int16_t> audio, std::string& error) {
    if (pendingStart > 0 && pendingStart * 2 >= pendingAudio.size()) {
        pendingAudio.erase(pendingAudio.begin(), pendingAudio.begin() + static_cast<ptrdiff_t>(pendingStart));
        pendingStart = 0;
    }
    const auto* pcm = reinterpret_cast<const uint8_t*>(audio.data());
    pendingAudio.insert(pendingAudio.end(), pcm, pcm + audio.size_bytes());
    return pump(rgb, error);
}

// Writes all of video, and as much pending audio as ffmpeg takes meanwhile.
bool VideoPipe::pump(std::span<const uint8_t> video, std::string& error) {
    for (;;) {
        std::span<const uint8_t> audio(pendingAudio.data() + pendingStart, pendingAudio.size() - pendingStart);
        if (audioFd >= 0 && !audio.empty()) {
            const size_t before = audio.size();
            if (!writeSome(audioFd, audio)) {
                break;
            }
            pendingStart += before - audio.size();
        }
        if (videoFd >= 0 && !video.empty() && !writeSome(videoFd, video)) {
            break;
        }
        const bool videoLeft = videoFd >= 0 && !video.empty();
        const bool audioLeft = videoFd < 0 && pendingStart < pendingAudio.size();
        if (!videoLeft && !audioLeft) {
            return true;
        }
        // Wait until either pipe has room again.
        pollfd fds[2] = {{videoFd, POLLOUT, 0}, {audioFd, POLLOUT, 0}};
        if (!videoLeft) {
            fds[0].fd = -1;
        }
        if (pendingStart == pendingAudio.size()) {
            fds[1].fd = -1;
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
    }
    closePipes();
    std::string exitError;
    waitForExit(exitError);
    error = "ffmpeg stopped before the video was complete" + (exitError.empty() ? "" : " (" + exitError + ")");
    return false;
}

bool VideoPipe::finish(std::string& error) {
    if (child <= 0) {
        error = "ffmpeg is not running";
        return false;
    }
    // End of the pictures first: ffmpeg then drains the rest of the music.
    ::close(videoFd);
    videoFd = -1;
    if (!pump({}, error)) {
        return false;
    }
    closePipes();
    return waitForExit(error);
}

void VideoPipe::closePipes() {
    for (int* fd : {&videoFd, &audioFd}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

bool VideoPipe::waitForExit(std::string& error) {
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    child = -1;
    if (waited < 0) {
        error = std::string("lost track of ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    error = WIFEXITED(status) ? "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status))
                              : "ffmpeg was killed by signal " + std::to_string(WTERMSIG(status));
    return false;
}
