// xmrender end to end: modules built here, rendered by the program, read back
// by a standard WAV reader; and the errors a user meets.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

namespace {

struct Command {
    int status;
    std::string output;  // stdout, or stderr when stdout goes elsewhere
};

// Runs a shell command line and collects what it prints.
Command run(const std::string& command) {
    Command result{-1, {}};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string xmrender(const std::string& arguments) { return std::string(XMRENDER_PATH) + " " + arguments; }

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Channels, sample width, rate and frame count as Python's wave module reads them.
std::string waveReader(const std::string& path) {
    Command result =
        run("python3 -c \"import wave, sys; w = wave.open(sys.argv[1]); "
            "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes())\" " +
            path + " 2>&1");
    return result.output;
}

class XmRenderTest : public ::testing::Test {
protected:
    std::string dir;

    void SetUp() override {
        char pattern[] = "/tmp/xmrender_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }

    std::string path(const std::string& name) const { return dir + "/" + name; }

    // Two orders of 4 and 8 rows at speed 3, a square wave note on the first row.
    XmModule module() const {
        XmModule m;
        m.channels = 2;
        m.speed = 3;
        m.bpm = 125;
        m.orders = {0, 1};
        XmPattern& first = m.patterns.emplace_back();
        first.rows = 4;
        first.set(0, 0, {49, 1, 0, 0, 0});
        XmPattern& second = m.patterns.emplace_back();
        second.rows = 8;
        XmInstrument& instrument = m.instruments.emplace_back();
        XmSample sample;
        for (int i = 0; i < 64; ++i) sample.pcm.push_back(i < 32 ? 100 : -100);
        sample.loop = XmLoop::forward;
        sample.loopLength = 64;
        instrument.samples.push_back(sample);
        return m;
    }

    std::string write(const XmModule& m, const std::string& name) {
        std::string file = path(name);
        EXPECT_TRUE(writeXmFile(m, file));
        return file;
    }
};

TEST_F(XmRenderTest, SecondsGiveExactlyThatManyFramesInAStandardWav) {
    std::string input = write(module(), "song.xm");
    Command result = run(xmrender("--seconds 1.5 " + input + " " + path("out.wav")) + " 2>&1");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(waveReader(path("out.wav")), "2 2 44100 66150\n");
    std::string wav = readFile(path("out.wav"));
    ASSERT_EQ(wav.size(), 44u + 66150 * 4);
    // The note sounds: the square wave's samples are not all silent.
    EXPECT_NE(wav.find_first_not_of('\0', 44), std::string::npos);
}

TEST_F(XmRenderTest, StopsWhereTheSongWrapsOrJumpsBack) {
    // Played through: 12 rows of 3 ticks of 882 frames, then the wrap.
    std::string input = write(module(), "song.xm");
    ASSERT_EQ(run(xmrender(input + " " + path("wrap.wav"))).status, 0);
    EXPECT_EQ(waveReader(path("wrap.wav")), "2 2 44100 " + std::to_string(12 * 3 * 882) + "\n");

    // A jump back to order 0 on row 2 of the second pattern ends it there.
    XmModule jumping = module();
    jumping.patterns[1].set(2, 1, {0, 0, 0, 0x0B, 0});
    input = write(jumping, "jump.xm");
    ASSERT_EQ(run(xmrender(input + " " + path("jump.wav"))).status, 0);
    EXPECT_EQ(waveReader(path("jump.wav")), "2 2 44100 " + std::to_string(7 * 3 * 882) + "\n");

    // An end that falls exactly where one of xmrender's chunks of 65,536
    // frames ends: at 215 BPM a tick is 512 frames, and 32 rows of 4 ticks
    // make 65,536 frames. The next chunk must find the song over.
    XmModule boundary = module();
    boundary.bpm = 215;
    boundary.speed = 4;
    boundary.patterns[1].rows = 28;
    input = write(boundary, "boundary.xm");
    ASSERT_EQ(run(xmrender(input + " " + path("boundary.wav"))).status, 0);
    EXPECT_EQ(waveReader(path("boundary.wav")), "2 2 44100 " + std::to_string(32 * 4 * 512) + "\n");

    // One order that loops onto itself ends after one pass too.
    XmModule single = module();
    single.orders = {1};
    input = write(single, "single.xm");
    ASSERT_EQ(run(xmrender(input + " " + path("single.wav"))).status, 0);
    EXPECT_EQ(waveReader(path("single.wav")), "2 2 44100 " + std::to_string(8 * 3 * 882) + "\n");
}

// Through a pipe the header cannot be patched afterwards, so the song is
// rendered before the header is written; rendered once, as to a file, since
// the global-volume slide memory stays in the song from one play to the next
// and a second pass would start from it.
TEST_F(XmRenderTest, StandardOutputCarriesTheSameFile) {
    XmModule m = module();
    m.patterns[0].set(0, 1, {0, 0, 0, 0x11, 0x00});   // global volume slide with the remembered speed
    m.patterns[1].set(2, 0, {49, 1, 0, 0x0e, 0x5f});  // finetune of the sample for this note
    m.patterns[1].set(2, 1, {0, 0, 0, 0x11, 0x08});   // remembers a slide down by 8
    std::string input = write(m, "song.xm");
    ASSERT_EQ(run(xmrender(input + " " + path("file.wav"))).status, 0);
    Command piped = run(xmrender(input + " - | cat"));
    EXPECT_EQ(piped.status, 0);
    const std::string file = readFile(path("file.wav"));
    ASSERT_EQ(piped.output.size(), file.size());
    EXPECT_TRUE(piped.output == file) << "the samples through the pipe differ from those in the file";
}

TEST_F(XmRenderTest, BadInputIsNamedWithItsReasonAndExitCodeOne) {
    std::string notXm = path("notes.txt");
    std::ofstream(notXm) << "just some text, long enough to read a signature from\n";
    XmModule broken = module();
    broken.version = 0x0101;
    std::string damaged = write(broken, "damaged.xm");
    struct Case {
        std::string input, message;
    };
    for (const Case& c :
         {Case{path("missing.xm"), "cannot open '" + path("missing.xm") + "': No such file or directory"},
          Case{notXm, "'" + notXm + "' is not an XM module"},
          Case{damaged, "'" + damaged + "' fails to load: XM format version 1.01 is not supported"}}) {
        Command result = run(xmrender(c.input + " " + path("out.wav")) + " 2>&1");
        EXPECT_EQ(result.status, 1) << c.input;
        EXPECT_EQ(result.output.rfind("xmrender: " + c.message, 0), 0u) << result.output;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    }
    std::string input = write(module(), "song.xm");
    Command unwritable = run(xmrender(input + " " + path("no/such/dir.wav")) + " 2>&1");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.output.find("cannot write"), std::string::npos) << unwritable.output;
}

TEST_F(XmRenderTest, UsageErrorsExitTwoAndHelpExitsZero) {
    std::string input = write(module(), "song.xm");
    for (const std::string& arguments : {std::string(""), input, input + " a.wav b.wav", "--loud " + input + " a.wav",
                                         "--seconds 0 " + input + " a.wav", "--seconds -3 " + input + " a.wav",
                                         "--seconds soon " + input + " a.wav", input + " a.wav --seconds"}) {
        Command result = run(xmrender(arguments) + " 2>&1");
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_NE(result.output.find("xmrender --help"), std::string::npos) << arguments;
    }
    Command help = run(xmrender("--help"));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: xmrender [options] INPUT.xm OUTPUT.wav", 0), 0u);
}

}  // namespace
