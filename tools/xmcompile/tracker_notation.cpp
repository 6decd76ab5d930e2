// Parsing of cell words into the bytes of an XM pattern cell.
#include "tools/xmcompile/tracker_notation.h"

#include <charconv>

namespace xmcompile {
namespace {

// A whole number within low..high, or -1 with the reason in error.
int wholeNumber(std::string_view text, std::string_view what, int low, int high, std::string& error) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        error = std::string(what) + ": '" + std::string(text) + "' is not a whole number";
        return -1;
    }
    if (value < low || value > high) {
        error = std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) + ".." +
                std::to_string(high);
        return -1;
    }
    return value;
}

// Volume-column words: v0..v64 set volume, d/c slide down/up, b/a fine slide
// down/up, u vibrato speed, h vibrato depth, p set panning, l/r panning slide
// left/right, g tone portamento; the letters take 0..15.
std::string parseVolumeColumn(std::string_view text, uint8_t& volume) {
    if (text == "..") return {};
    if (text.size() < 2) return "volume column '" + std::string(text) + "' is not like v48 or d4";
    char letter = text[0];
    std::string_view digits = text.substr(1);
    std::string error;
    if (letter == 'v') {
        int value = wholeNumber(digits, "volume", 0, 64, error);
        if (value >= 0) volume = static_cast<uint8_t>(0x10 + value);
        return error;
    }
    static constexpr std::string_view letters = "dcbauhplrg";
    size_t index = letters.find(letter);
    if (index == std::string_view::npos)
        return "volume column '" + std::string(text) + "': unknown command letter '" + letter + "'";
    int value = wholeNumber(digits, "volume column value", 0, 15, error);
    if (value >= 0) volume = static_cast<uint8_t>(0x60 + index * 16 + static_cast<size_t>(value));
    return error;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Effect words: the effect letter (0-9, A-Z) and two hex digits, like A0F.
std::string parseEffect(std::string_view text, Cell& cell) {
    if (text == "...") return {};
    char letter = text.empty() ? '?' : text[0];
    int number = -1;
    if (letter >= '0' && letter <= '9') number = letter - '0';
    if (letter >= 'A' && letter <= 'Z') number = letter - 'A' + 10;
    int high = text.size() == 3 ? hexDigit(text[1]) : -1;
    int low = text.size() == 3 ? hexDigit(text[2]) : -1;
    if (number < 0 || high < 0 || low < 0) return "effect '" + std::string(text) + "' is not like A0F or E93";
    cell.effect = static_cast<uint8_t>(number);
    cell.param = static_cast<uint8_t>(high * 16 + low);
    return {};
}

}  // namespace

int parseNoteName(std::string_view token) {
    if (token.size() != 3) return -1;
    static constexpr std::string_view names = "C-C#D-D#E-F-F#G-G#A-A#B-";
    std::string_view name = token.substr(0, 2);
    int semitone = -1;
    for (int i = 0; i < 12; ++i) {
        if (names.substr(static_cast<size_t>(i) * 2, 2) == name) semitone = i;
    }
    char octave = token[2];
    if (semitone < 0 || octave < '0' || octave > '7') return -1;
    return (octave - '0') * 12 + semitone;
}

std::string parseCell(const std::vector<std::string_view>& words, Cell& cell) {
    cell = Cell{};
    if (words.empty() || words.size() > 4) return "a cell is note, instrument, volume and effect";
    std::string_view note = words[0];
    if (note == "OFF" || note == "===") {
        cell.note = 97;
    } else if (note != "---" && note != "...") {
        int value = parseNoteName(note);
        if (value < 0) return "note: '" + std::string(note) + "' is not a note (like C-4 or F#2)";
        cell.note = static_cast<uint8_t>(value + 1);
    }
    if (words.size() > 1 && words[1] != "..") {
        std::string error;
        int instrument = wholeNumber(words[1], "instrument", 1, 128, error);
        if (instrument < 0) return error;
        cell.instrument = static_cast<uint8_t>(instrument);
    }
    if (words.size() > 2) {
        std::string error = parseVolumeColumn(words[2], cell.volume);
        if (!error.empty()) return error;
    }
    if (words.size() > 3) return parseEffect(words[3], cell);
    return {};
}

}  // namespace xmcompile
