// The reviewed per-tick traces in tests/peers/traces: each is a trace of one
// crafted module, written by xmtrace and opened by a paragraph saying what it
// pins down. A trace is reviewed only for a module that plays as the
// established players play it (the peers test checks that claim), so a
// change of the player that alters one of these traces changes a behaviour
// the players agree on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/peers/peer_cases.h"

namespace {

struct TraceFile {
    std::vector<std::string> header;  // the comment lines, without "# "
    std::vector<std::string> lines;   // the trace lines
};

TraceFile readTrace(const std::string& path) {
    TraceFile trace;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (trace.lines.empty() && (line.empty() || line[0] == '#')) {
            if (!line.empty()) trace.header.push_back(line.size() > 2 ? line.substr(2) : "");
        } else {
            trace.lines.push_back(line);
        }
    }
    return trace;
}

}  // namespace

TEST(GoldenTraces, ReviewedTracesAreWhatXmtraceWritesForTheirModules) {
    char directory[] = "/tmp/traces_test.XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::vector<PeerCase> cases = peerCases();
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TAVORLY_TRACES_DIR)) {
        if (entry.path().extension() != ".trace") continue;
        const std::string name = entry.path().stem().string();
        const PeerCase* peerCase = nullptr;
        for (const PeerCase& c : cases) {
            if (c.name == name) peerCase = &c;
        }
        if (!peerCase) {
            ADD_FAILURE() << entry.path() << " names no crafted module";
            continue;
        }
        EXPECT_EQ(peerCase->expectation, PeerExpectation::matches)
            << name << ": a reviewed trace pins a module that plays as the players play it";
        const TraceFile committed = readTrace(entry.path().string());
        size_t words = 0;
        for (const std::string& line : committed.header) {
            words += static_cast<size_t>(std::count(line.begin(), line.end(), ' '));
        }
        EXPECT_GE(words, 20u) << name << ": the trace opens with a paragraph on what it pins down";

        const std::string module = std::string(directory) + "/" + name + ".xm";
        const std::string produced = std::string(directory) + "/" + name + ".trace";
        std::ofstream(module, std::ios::binary)
            .write(reinterpret_cast<const char*>(peerCase->bytes.data()),
                   static_cast<std::streamsize>(peerCase->bytes.size()));
        const std::string command = std::string(TAVORLY_XMTRACE_PATH) + " --output '" + produced + "' '" + module + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const TraceFile written = readTrace(produced);
        std::remove(module.c_str());
        std::remove(produced.c_str());
        ++checked;
        EXPECT_EQ(written.lines.size(), committed.lines.size()) << name;
        for (size_t i = 0; i < std::min(written.lines.size(), committed.lines.size()); ++i) {
            if (written.lines[i] != committed.lines[i]) {
                ADD_FAILURE() << name << ".trace, trace line " << i + 1 << ":\n  reviewed: " << committed.lines[i]
                              << "\n  now:      " << written.lines[i];
                break;
            }
        }
    }
    rmdir(directory);
    std::printf("%d reviewed traces checked\n", checked);
}
