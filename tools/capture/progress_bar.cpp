// Formatting and redrawing of the capture's progress line.
#include "tools/capture/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t barWidth = 30;

std::string formatDuration(double seconds) {
    const auto whole = static_cast<int64_t>(std::llround(std::max(seconds, 0.0)));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(whole / 3600),
                      static_cast<long long>(whole / 60 % 60), static_cast<long long>(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(whole / 60),
                      static_cast<long long>(whole % 60));
    }
    return text;
}

}  // namespace

std::string formatProgress(const Progress& progress, double seconds) {
    const int64_t done = progress.done;
    const int64_t total = progress.total;
    const double fps = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f fps", fps);
    if (total <= 0) {
        return "frame " + std::to_string(done) + "  " + rate + "  " + formatDuration(seconds) + " elapsed";
    }
    const int64_t shown = std::min(done, total);
    const auto filled = static_cast<int32_t>(shown * barWidth / total);
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(barWidth - filled), '.') + "] " + std::to_string(shown) + "/" +
                       (progress.estimated ? "~" : "") + std::to_string(total) +
                       (progress.beforeSpan ? " frames before the span  " : " frames  ") + rate;
    if (fps > 0) {
        line += "  " + formatDuration(static_cast<double>(total - shown) / fps) + " left";
    }
    return line;
}

ProgressBar::ProgressBar(bool drawing, FILE* output)
    : enabled(drawing), stream(output), phaseStarted(std::chrono::steady_clock::now()), lastDrawn(phaseStarted) {}

bool ProgressBar::due() const {
    return enabled && (!drawnOnce || std::chrono::steady_clock::now() - lastDrawn >= std::chrono::milliseconds(100));
}

void ProgressBar::update(const Progress& progress) {
    if (!progress.beforeSpan && !inSpan) {
        inSpan = true;
        phaseStarted = std::chrono::steady_clock::now();
    }
    if (due()) {
        draw(progress);
    }
}

void ProgressBar::finish(const Progress& progress) {
    if (!enabled) {
        return;
    }
    draw(progress);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void ProgressBar::draw(const Progress& progress) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStarted).count();
    // Clear to the end of the line, since the text may get shorter.
    std::fprintf(stream, "\r%s\x1b[K", formatProgress(progress, seconds).c_str());
    std::fflush(stream);
    lastDrawn = std::chrono::steady_clock::now();
    drawnOnce = true;
}
