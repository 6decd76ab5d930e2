// Line-oriented parser for song sources. Every line is split into words
// (double quotes keep spaces; a word starting with '#' starts a comment, so
// that sharps like C#4 stay notes); blocks open with
// "instrument", "sample", "track" and "pattern" and close with "end".
#include "tools/xmcompile/song_parser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace xmcompile {
namespace {

struct ParseFailure {
    std::string message;
};

struct Word {
    std::string text;
    bool quoted = false;
};

std::vector<Word> splitWords(std::string_view line) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        Word word;
        if (c == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) throw ParseFailure{"unterminated quoted text"};
            word.text = std::string(line.substr(i + 1, close - i - 1));
            word.quoted = true;
            i = close + 1;
        } else {
            size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
            word.text = std::string(line.substr(i, end - i));
            i = end;
        }
        words.push_back(std::move(word));
    }
    return words;
}

double toNumber(std::string_view text, std::string_view what) {
    double value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (!text.empty() && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || !std::isfinite(value))
        throw ParseFailure{std::string(what) + ": '" + std::string(text) + "' is not a number"};
    return value;
}

int toInteger(std::string_view text, std::string_view what, int low, int high) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (!text.empty() && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        throw ParseFailure{std::string(what) + ": '" + std::string(text) + "' is not a whole number"};
    if (value < low || value > high)
        throw ParseFailure{std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
                           ".." + std::to_string(high)};
    return value;
}

double toNumberIn(std::string_view text, std::string_view what, double low, double high) {
    double value = toNumber(text, what);
    if (value < low || value > high) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, " %g is outside %g..%g", value, low, high);
        throw ParseFailure{std::string(what) + buffer};
    }
    return value;
}

int toNote(std::string_view text, std::string_view what) {
    int note = parseNoteName(text);
    if (note < 0)
        throw ParseFailure{std::string(what) + ": '" + std::string(text) + "' is not a note (like C-4 or F#2)"};
    return note;
}

// The words of one line: positional words in order, key=value options by key.
// Options are consumed by the handler; any left over is reported as unknown.
class Line {
public:
    explicit Line(std::vector<Word> words) {
        for (auto& word : words) {
            size_t eq = word.quoted ? std::string::npos : word.text.find('=');
            if (eq != std::string::npos && eq > 0) {
                std::string key = word.text.substr(0, eq);
                if (options_.count(key)) throw ParseFailure{"option '" + key + "' given twice"};
                options_[key] = word.text.substr(eq + 1);
            } else {
                positional_.push_back(std::move(word));
            }
        }
    }

    const std::string& keyword() const { return positional_[0].text; }
    size_t count() const { return positional_.size(); }
    const Word& at(size_t i) const { return positional_.at(i); }

    void expectCount(size_t low, size_t high, std::string_view usage) const {
        if (positional_.size() < low || positional_.size() > high)
            throw ParseFailure{"expected: " + std::string(usage)};
    }

    std::optional<std::string> take(const std::string& key) {
        auto found = options_.find(key);
        if (found == options_.end()) return std::nullopt;
        std::string value = found->second;
        options_.erase(found);
        return value;
    }

    void finish() const {
        if (!options_.empty()) throw ParseFailure{"unknown option '" + options_.begin()->first + "'"};
    }

private:
    std::vector<Word> positional_;
    std::map<std::string, std::string> options_;
};

bool takeNumber(Line& line, const std::string& key, double& target, double low, double high) {
    auto value = line.take(key);
    if (!value) return false;
    target = toNumberIn(*value, key, low, high);
    return true;
}

Wave toWave(std::string_view text) {
    if (text == "sine") return Wave::sine;
    if (text == "square" || text == "pulse") return Wave::square;
    if (text == "saw") return Wave::saw;
    if (text == "triangle") return Wave::triangle;
    if (text == "noise") return Wave::noise;
    throw ParseFailure{"unknown waveform '" + std::string(text) + "' (sine, square, saw, triangle, noise)"};
}

// "a:b" pairs of numbers, as in envelope and level points.
std::pair<double, double> toPair(std::string_view text, std::string_view what) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        throw ParseFailure{std::string(what) + ": '" + std::string(text) + "' is not a pair like 10:48"};
    return {toNumber(text.substr(0, colon), what), toNumber(text.substr(colon + 1), what)};
}

class Parser {
public:
    ParseResult run(std::string_view text) {
        ParseResult result;
        size_t start = 0;
        try {
            while (start <= text.size()) {
                size_t end = text.find('\n', start);
                if (end == std::string_view::npos) end = text.size();
                ++lineNumber_;
                auto words = splitWords(text.substr(start, end - start));
                if (!words.empty()) handle(Line(std::move(words)));
                start = end + 1;
            }
            closeAll();
            validate();
        } catch (const ParseFailure& failure) {
            result.errorLine = lineNumber_;
            result.error = failure.message;
            return result;
        }
        result.ok = true;
        result.song = std::move(song_);
        return result;
    }

private:
    enum class Block { top, instrument, sample, track, pattern };

    void handle(Line line) {
        if (line.count() == 0 || line.at(0).quoted) throw ParseFailure{"a line must start with a keyword"};
        switch (block_) {
            case Block::top: topLine(line); break;
            case Block::instrument: instrumentLine(line); break;
            case Block::sample: sampleLine(line); break;
            case Block::track: trackLine(line); break;
            case Block::pattern: patternLine(line); break;
        }
        line.finish();
    }

    void closeAll() {
        if (block_ == Block::top) return;
        lineNumber_ = openLine_;
        throw ParseFailure{"block opened here has no 'end'"};
    }

    void topLine(Line& line) {
        const std::string& key = line.keyword();
        if (key == "title") {
            line.expectCount(2, 2, "title \"name\"");
            song_.title = line.at(1).text;
            if (song_.title.size() > 20) throw ParseFailure{"title is longer than 20 characters"};
        } else if (key == "channels") {
            line.expectCount(2, 2, "channels <2..32>");
            song_.channels = toInteger(line.at(1).text, "channels", 2, 32);
            if (song_.channels % 2 != 0) throw ParseFailure{"channels must be even in an XM module"};
        } else if (key == "speed") {
            line.expectCount(2, 2, "speed <1..31>");
            song_.speed = toInteger(line.at(1).text, "speed", 1, 31);
        } else if (key == "bpm") {
            line.expectCount(2, 2, "bpm <32..255>");
            song_.bpm = toInteger(line.at(1).text, "bpm", 32, 255);
        } else if (key == "restart") {
            line.expectCount(2, 2, "restart <order position>");
            song_.restart = toInteger(line.at(1).text, "restart", 0, 255);
        } else if (key == "frequencies") {
            line.expectCount(2, 2, "frequencies linear|amiga");
            if (line.at(1).text == "linear")
                song_.linear = true;
            else if (line.at(1).text == "amiga")
                song_.linear = false;
            else
                throw ParseFailure{"frequencies must be linear or amiga"};
        } else if (key == "instrument") {
            line.expectCount(3, 3, "instrument <1..128> \"name\"");
            InstrumentSource instrument;
            instrument.line = lineNumber_;
            instrument.number = toInteger(line.at(1).text, "instrument number", 1, 128);
            instrument.name = line.at(2).text;
            if (instrument.name.size() > 22) throw ParseFailure{"instrument name is longer than 22 characters"};
            if (!song_.instruments.empty() && song_.instruments.back().number >= instrument.number)
                throw ParseFailure{"instrument numbers must ascend (previous was " +
                                   std::to_string(song_.instruments.back().number) + ")"};
            song_.instruments.push_back(std::move(instrument));
            open(Block::instrument);
        } else if (key == "track") {
            line.expectCount(2, 2, "track <name> [rows=N]");
            Track track;
            track.line = lineNumber_;
            track.name = line.at(1).text;
            if (auto rows = line.take("rows")) track.rows = toInteger(*rows, "rows", 1, 256);
            if (trackIndex_.count(track.name)) throw ParseFailure{"track '" + track.name + "' is defined twice"};
            trackIndex_[track.name] = song_.tracks.size();
            song_.tracks.push_back(std::move(track));
            open(Block::track);
        } else if (key == "pattern") {
            line.expectCount(2, 2, "pattern <name> [rows=N] [like=<pattern>]");
            PatternSource pattern;
            pattern.line = lineNumber_;
            pattern.name = line.at(1).text;
            if (patternIndex_.count(pattern.name))
                throw ParseFailure{"pattern '" + pattern.name + "' is defined twice"};
            if (auto like = line.take("like")) {
                auto found = patternIndex_.find(*like);
                if (found == patternIndex_.end()) throw ParseFailure{"pattern '" + *like + "' is not defined above"};
                pattern.rows = song_.patterns[found->second].rows;
                pattern.placements = song_.patterns[found->second].placements;
            }
            if (auto rows = line.take("rows")) pattern.rows = toInteger(*rows, "rows", 1, 256);
            if (song_.patterns.size() >= 256) throw ParseFailure{"more than 256 patterns"};
            patternIndex_[pattern.name] = song_.patterns.size();
            song_.patterns.push_back(std::move(pattern));
            open(Block::pattern);
        } else if (key == "order") {
            line.expectCount(2, 1000, "order <pattern> ...");
            if (song_.orderLine == 0) song_.orderLine = lineNumber_;
            for (size_t i = 1; i < line.count(); ++i) {
                const std::string& name = line.at(i).text;
                if (!patternIndex_.count(name)) throw ParseFailure{"pattern '" + name + "' is not defined above"};
                song_.order.push_back(name);
            }
            if (song_.order.size() > 256) throw ParseFailure{"more than 256 order positions"};
        } else if (key == "end") {
            throw ParseFailure{"'end' without an open block"};
        } else {
            throw ParseFailure{"unknown keyword '" + key + "'"};
        }
    }

    EnvelopeSource toEnvelope(Line& line) {
        EnvelopeSource envelope;
        for (size_t i = 1; i < line.count(); ++i) {
            auto [x, y] = toPair(line.at(i).text, "envelope point");
            if (x != std::floor(x) || y != std::floor(y) || x < 0 || x > 65535 || y < 0 || y > 64)
                throw ParseFailure{"envelope point '" + line.at(i).text + "' needs ticks 0..65535 and a value 0..64"};
            if (!envelope.points.empty() && x <= envelope.points.back().x)
                throw ParseFailure{"envelope ticks must ascend"};
            envelope.points.push_back({static_cast<int>(x), static_cast<int>(y)});
        }
        int count = static_cast<int>(envelope.points.size());
        if (count < 2 || count > 12) throw ParseFailure{"an envelope has 2..12 points"};
        if (envelope.points.front().x != 0) throw ParseFailure{"an envelope starts at tick 0"};
        if (auto sustain = line.take("sustain")) envelope.sustain = toInteger(*sustain, "sustain point", 0, count - 1);
        if (auto loop = line.take("loop")) {
            size_t dots = loop->find("..");
            if (dots == std::string::npos) throw ParseFailure{"loop is written as first..last point, like loop=1..3"};
            envelope.loopStart = toInteger(loop->substr(0, dots), "loop start point", 0, count - 1);
            envelope.loopEnd = toInteger(loop->substr(dots + 2), "loop end point", envelope.loopStart, count - 1);
        }
        return envelope;
    }

    void instrumentLine(Line& line) {
        InstrumentSource& instrument = song_.instruments.back();
        const std::string& key = line.keyword();
        if (key == "volenv") {
            instrument.volumeEnvelope = toEnvelope(line);
        } else if (key == "panenv") {
            instrument.panningEnvelope = toEnvelope(line);
        } else if (key == "fadeout") {
            line.expectCount(2, 2, "fadeout <0..4095>");
            instrument.fadeout = toInteger(line.at(1).text, "fadeout", 0, 4095);
        } else if (key == "autovibrato") {
            line.expectCount(2, 2, "autovibrato sine|square|rampdown|rampup depth=N rate=N [sweep=N]");
            const std::string& type = line.at(1).text;
            if (type == "sine")
                instrument.vibratoType = 0;
            else if (type == "square")
                instrument.vibratoType = 1;
            else if (type == "rampdown")
                instrument.vibratoType = 2;
            else if (type == "rampup")
                instrument.vibratoType = 3;
            else
                throw ParseFailure{"unknown vibrato type '" + type + "' (sine, square, rampdown, rampup)"};
            if (auto v = line.take("depth")) instrument.vibratoDepth = toInteger(*v, "depth", 0, 15);
            if (auto v = line.take("rate")) instrument.vibratoRate = toInteger(*v, "rate", 0, 63);
            if (auto v = line.take("sweep")) instrument.vibratoSweep = toInteger(*v, "sweep", 0, 255);
        } else if (key == "sample") {
            line.expectCount(2, 2, "sample \"name\"");
            if (instrument.samples.size() >= 16) throw ParseFailure{"an instrument holds at most 16 samples"};
            SampleRecipe recipe;
            recipe.line = lineNumber_;
            recipe.name = line.at(1).text;
            if (recipe.name.size() > 22) throw ParseFailure{"sample name is longer than 22 characters"};
            instrument.samples.push_back(std::move(recipe));
            open(Block::sample);
        } else if (key == "end") {
            close(Block::top);
        } else {
            throw ParseFailure{"unknown instrument keyword '" + key + "'"};
        }
    }

    void sampleLine(Line& line) {
        SampleRecipe& recipe = song_.instruments.back().samples.back();
        const std::string& key = line.keyword();
        auto single = [&](std::string_view usage) {
            line.expectCount(2, 2, usage);
            return line.at(1).text;
        };
        if (key == "bits") {
            int bits = toInteger(single("bits 8|16"), "bits", 8, 16);
            if (bits != 8 && bits != 16) throw ParseFailure{"bits must be 8 or 16"};
            recipe.bits = bits;
        } else if (key == "rate") {
            recipe.rate = toNumberIn(single("rate <Hz>"), "rate", 1000, 96000);
        } else if (key == "key") {
            recipe.key = toNote(single("key <note>"), "key");
        } else if (key == "length") {
            recipe.length = toNumberIn(single("length <seconds>"), "length", 0.001, 20);
        } else if (key == "volume") {
            recipe.volume = toInteger(single("volume <0..64>"), "volume", 0, 64);
        } else if (key == "panning") {
            recipe.panning = toInteger(single("panning <0..255>"), "panning", 0, 255);
        } else if (key == "keys") {
            line.expectCount(3, 3, "keys <lowest note> <highest note>");
            recipe.keyLow = toNote(line.at(1).text, "lowest note");
            recipe.keyHigh = toNote(line.at(2).text, "highest note");
            if (recipe.keyHigh < recipe.keyLow) throw ParseFailure{"the highest note is below the lowest"};
        } else if (key == "tune") {
            line.expectCount(1, 1, "tune [relative=N] [finetune=N]");
            if (auto v = line.take("relative")) {
                recipe.hasRelative = true;
                recipe.relativeNote = toInteger(*v, "relative", -96, 95);
            }
            if (auto v = line.take("finetune")) {
                recipe.hasFinetune = true;
                recipe.finetune = toInteger(*v, "finetune", -128, 127);
            }
        } else if (key == "seed") {
            recipe.seed = static_cast<uint32_t>(toInteger(single("seed <number>"), "seed", 0, 0x7fffffff));
        } else if (key == "loop") {
            line.expectCount(2, 2, "loop none|forward|pingpong [start=s] [length=s | cycles=N]");
            const std::string& kind = line.at(1).text;
            if (kind == "none")
                recipe.loop = LoopKind::none;
            else if (kind == "forward")
                recipe.loop = LoopKind::forward;
            else if (kind == "pingpong")
                recipe.loop = LoopKind::pingpong;
            else
                throw ParseFailure{"unknown loop kind '" + kind + "' (none, forward, pingpong)"};
            takeNumber(line, "start", recipe.loopStart, 0, 20);
            takeNumber(line, "length", recipe.loopLength, 0.0001, 20);
            takeNumber(line, "cycles", recipe.loopCycles, 1, 100000);
            if (recipe.loopLength > 0 && recipe.loopCycles > 0)
                throw ParseFailure{"give the loop a length or a number of cycles, not both"};
        } else if (key == "osc") {
            line.expectCount(2, 2, "osc <waveform> [option=value ...]");
            Oscillator osc;
            osc.wave = toWave(line.at(1).text);
            takeNumber(line, "ratio", osc.ratio, 0.001, 1000);
            takeNumber(line, "semi", osc.semi, -96, 96);
            takeNumber(line, "cents", osc.cents, -1200, 1200);
            takeNumber(line, "hz", osc.hz, 0.01, 40000);
            takeNumber(line, "bend", osc.bend, -96, 96);
            takeNumber(line, "glide", osc.glide, 0.0001, 20);
            takeNumber(line, "amp", osc.amp, -16, 16);
            takeNumber(line, "duty", osc.duty, 0.01, 0.99);
            takeNumber(line, "attack", osc.attack, 0, 20);
            takeNumber(line, "decay", osc.decay, 0, 20);
            takeNumber(line, "phase", osc.phase, 0, 1);
            takeNumber(line, "hold", osc.hold, 0, 96000);
            if (auto pwm = line.take("pwm")) {
                auto [rate, depth] = toPair(*pwm, "pwm");
                if (rate < 0 || depth < 0 || depth > 0.49) throw ParseFailure{"pwm is rate:depth with depth 0..0.49"};
                osc.pwmRate = rate;
                osc.pwmDepth = depth;
            }
            recipe.oscillators.push_back(osc);
        } else if (key == "chord") {
            line.expectCount(2, 9, "chord <semitones> ...");
            recipe.chord.clear();
            for (size_t i = 1; i < line.count(); ++i)
                recipe.chord.push_back(toNumberIn(line.at(i).text, "chord", -48, 48));
        } else if (key == "filter") {
            line.expectCount(3, 3, "filter lowpass|highpass|bandpass <Hz>[><Hz>] [time=s] [q=N]");
            Filter filter;
            const std::string& kind = line.at(1).text;
            if (kind == "lowpass")
                filter.kind = FilterKind::lowpass;
            else if (kind == "highpass")
                filter.kind = FilterKind::highpass;
            else if (kind == "bandpass")
                filter.kind = FilterKind::bandpass;
            else
                throw ParseFailure{"unknown filter '" + kind + "' (lowpass, highpass, bandpass)"};
            const std::string& cutoff = line.at(2).text;
            size_t arrow = cutoff.find('>');
            filter.cutoff = toNumberIn(cutoff.substr(0, arrow), "cutoff", 10, 40000);
            if (arrow != std::string::npos)
                filter.cutoffEnd = toNumberIn(cutoff.substr(arrow + 1), "cutoff", 10, 40000);
            takeNumber(line, "time", filter.time, 0.0001, 20);
            takeNumber(line, "q", filter.q, 0.1, 30);
            recipe.filters.push_back(filter);
        } else if (key == "amp") {
            line.expectCount(2, 64, "amp <seconds>:<level> ...");
            recipe.amp.clear();
            for (size_t i = 1; i < line.count(); ++i) {
                auto [time, level] = toPair(line.at(i).text, "level point");
                if (time < 0 || level < 0 || level > 16)
                    throw ParseFailure{"level point '" + line.at(i).text + "' is out of range"};
                if (!recipe.amp.empty() && time <= recipe.amp.back().time)
                    throw ParseFailure{"level point times must ascend"};
                recipe.amp.push_back({time, level});
            }
        } else if (key == "drive") {
            recipe.drive = toNumberIn(single("drive <amount>"), "drive", 0, 100);
        } else if (key == "crush") {
            recipe.crush = toInteger(single("crush <bits>"), "crush", 1, 16);
        } else if (key == "peak") {
            recipe.peak = toNumberIn(single("peak <0..1>"), "peak", 0.01, 1);
        } else if (key == "end") {
            if (recipe.oscillators.empty()) throw ParseFailure{"sample '" + recipe.name + "' has no oscillator"};
            close(Block::instrument);
        } else {
            throw ParseFailure{"unknown sample keyword '" + key + "'"};
        }
    }

    void trackLine(Line& line) {
        Track& track = song_.tracks.back();
        if (line.keyword() == "end") {
            close(Block::top);
            return;
        }
        line.expectCount(2, 5, "<row> <note> [instrument] [volume] [effect]");
        int row = toInteger(line.keyword(), "row", 0, track.rows - 1);
        if (!track.cells.empty() && row <= track.cells.back().row)
            throw ParseFailure{"row " + std::to_string(row) + " comes after row " +
                               std::to_string(track.cells.back().row)};
        std::vector<std::string_view> words;
        for (size_t i = 1; i < line.count(); ++i) words.push_back(line.at(i).text);
        Cell cell;
        std::string error = parseCell(words, cell);
        if (!error.empty()) throw ParseFailure{error};
        track.cells.push_back({row, cell});
    }

    void patternLine(Line& line) {
        PatternSource& pattern = song_.patterns.back();
        if (line.keyword() == "end") {
            close(Block::top);
            return;
        }
        line.expectCount(
            2, 5, "<channel> <track> [+/-semitones] [once] [merge] [at=row] [scale=f] [pan=0..255] [delay=ticks]");
        Placement placement;
        placement.line = lineNumber_;
        placement.channel = toInteger(line.keyword(), "channel", 1, song_.channels) - 1;
        placement.track = line.at(1).text;
        auto found = trackIndex_.find(placement.track);
        if (found == trackIndex_.end()) throw ParseFailure{"track '" + placement.track + "' is not defined above"};
        for (size_t i = 2; i < line.count(); ++i) {
            const std::string& extra = line.at(i).text;
            if (extra == "once")
                placement.once = true;
            else if (extra == "merge")
                placement.merge = true;
            else if (!extra.empty() && (extra[0] == '+' || extra[0] == '-'))
                placement.transpose = toInteger(extra, "transpose", -95, 95);
            else
                throw ParseFailure{"'" + extra + "' is not a transpose like +5, 'once' or 'merge'"};
        }
        takeNumber(line, "scale", placement.scale, 0, 4);
        if (auto pan = line.take("pan")) placement.pan = toInteger(*pan, "pan", 0, 255);
        if (auto delay = line.take("delay")) placement.delay = toInteger(*delay, "delay", 1, 15);
        if (auto at = line.take("at")) placement.at = toInteger(*at, "at", 0, pattern.rows - 1);
        pattern.placements.push_back(std::move(placement));
    }

    void open(Block block) {
        block_ = block;
        openLine_ = lineNumber_;
    }

    void close(Block parent) {
        block_ = parent;
        if (parent == Block::instrument) openLine_ = song_.instruments.back().line;
    }

    void validate() {
        if (song_.order.empty()) {
            lineNumber_ = 0;
            throw ParseFailure{"the song has no order list"};
        }
        if (song_.restart >= static_cast<int>(song_.order.size())) {
            lineNumber_ = song_.orderLine;
            throw ParseFailure{"restart position " + std::to_string(song_.restart) + " is beyond the order list"};
        }
        for (const auto& pattern : song_.patterns) {
            for (const auto& placement : pattern.placements) {
                if (placement.at >= pattern.rows) {
                    lineNumber_ = placement.line;
                    throw ParseFailure{"placement starts beyond the pattern's last row"};
                }
            }
        }
    }

    SongSource song_;
    Block block_ = Block::top;
    int lineNumber_ = 0;
    int openLine_ = 0;
    std::map<std::string, size_t> trackIndex_;
    std::map<std::string, size_t> patternIndex_;
};

}  // namespace

ParseResult parseSongSource(std::string_view text) { return Parser().run(text); }

}  // namespace xmcompile
