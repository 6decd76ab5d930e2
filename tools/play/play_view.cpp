// Laying out the view. The meters fill the rows between the header and the
// key help, in as many columns as they need (each at least minimumMeterWidth
// wide); what does not fit is counted on the last row.
#include "tools/play/play_view.h"

#include <algorithm>
#include <cstdio>

using namespace music;

namespace {

constexpr int32_t headerLines = 7;  // six lines of facts and a blank one
constexpr int32_t footerLines = 2;  // key help and the message
constexpr int32_t minimumMeterWidth = 14;
const char* const keyHelp = "space pause  <-/-> order  n/p file  +/- volume  l loop  q quit";

std::string format(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

std::string fitted(std::string line, int32_t width) {
    if (static_cast<int32_t>(line.size()) > width) line.resize(static_cast<size_t>(std::max(width, 0)));
    return line;
}

// "NN [#####     ]" in `width` characters.
std::string meter(int32_t channel, int32_t level, int32_t width) {
    const int32_t barWidth = std::max(width - 5, 1);
    const int32_t filled = std::min(barWidth, (level * barWidth + fullMeterLevel / 2) / fullMeterLevel);
    std::string cell = format("%2d [", channel + 1);
    cell.append(static_cast<size_t>(filled), '#');
    cell.append(static_cast<size_t>(barWidth - filled), ' ');
    cell += ']';
    return cell;
}

}  // namespace

std::string minutesAndSeconds(int64_t frames, int32_t rate) {
    const int64_t seconds = std::max<int64_t>(frames, 0) / std::max(rate, 1);
    return format("%lld:%02lld", static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
}

std::vector<std::string> viewLines(const ViewState& view, int32_t width, int32_t height) {
    std::vector<std::string> lines;
    const std::string total = view.totalKnown ? minutesAndSeconds(view.totalFrames, view.rate) : "no end";
    lines.push_back(format("tavorly-play  file %d/%d  ", view.fileNumber, view.fileCount) + view.fileName);
    lines.push_back("Song     " + view.songName);
    lines.push_back("Tracker  " + view.trackerName + format("   %d channels", view.channelCount));
    lines.push_back(format("Order    %d/%d   Pattern %d   Row %d/%d", view.orderPosition, view.songLength, view.pattern,
                           view.row, view.patternRows));
    lines.push_back(format("Speed    %d   BPM %d   Volume %d%%   Loop %s", view.speed, view.bpm,
                           view.controls.volumePercent, view.controls.loop ? "on" : "off"));
    lines.push_back("Time     " + minutesAndSeconds(view.elapsedFrames, view.rate) + " / " + total + "   " +
                    (view.controls.paused ? "[paused]" : "[playing]"));
    lines.emplace_back();

    const int32_t meterRows = std::max(height - headerLines - footerLines, 1);
    const int32_t count = std::clamp(view.meterCount, 0, maxSongChannels);
    const int32_t maxColumns = std::max(width / minimumMeterWidth, 1);
    const int32_t columns = std::clamp((count + meterRows - 1) / meterRows, 1, maxColumns);
    const int32_t rows = std::min(meterRows, (count + columns - 1) / columns);
    const int32_t cellWidth = width / columns;
    const int32_t shown = std::min(count, rows * columns);
    for (int32_t r = 0; r < rows; ++r) {
        std::string line;
        for (int32_t c = 0; c < columns; ++c) {
            const int32_t channel = c * rows + r;
            if (channel >= shown) break;
            // The last cell shown says how many channels did not fit.
            if (channel == shown - 1 && shown < count) {
                line += format("+%d more", count - shown + 1);
                break;
            }
            std::string cell = meter(channel, view.levels[static_cast<size_t>(channel)], cellWidth - 1);
            line += cell +
                    std::string(static_cast<size_t>(std::max(cellWidth - static_cast<int32_t>(cell.size()), 0)), ' ');
        }
        const size_t end = line.find_last_not_of(' ');
        line.erase(end == std::string::npos ? 0 : end + 1);
        lines.push_back(line);
    }
    lines.emplace_back();
    lines.push_back(keyHelp);
    if (!view.message.empty()) lines.push_back(view.message);

    // Too short a screen loses the blank lines first, then the bottom.
    if (static_cast<int32_t>(lines.size()) > height) {
        std::erase(lines, std::string());
        if (static_cast<int32_t>(lines.size()) > height) lines.resize(static_cast<size_t>(std::max(height, 0)));
    }
    for (std::string& line : lines) line = fitted(std::move(line), width);
    return lines;
}

std::string fileLine(const ViewState& view) {
    std::string line = format("%d/%d ", view.fileNumber, view.fileCount) + view.fileName + ": ";
    line += view.songName.empty() ? "untitled" : "\"" + view.songName + "\"";
    line += " (" + (view.trackerName.empty() ? std::string("unknown tracker") : view.trackerName);
    line += format(", %d channels, ", view.channelCount);
    line += view.totalKnown ? minutesAndSeconds(view.totalFrames, view.rate) : "no end";
    line += ")";
    return line;
}

void fallLevels(std::array<uint8_t, maxSongChannels>& shown, const std::array<uint8_t, maxSongChannels>& heard) {
    constexpr int32_t fall = fullMeterLevel / 8;
    for (size_t c = 0; c < shown.size(); ++c)
        shown[c] = static_cast<uint8_t>(std::max<int32_t>(heard[c], shown[c] - fall));
}
