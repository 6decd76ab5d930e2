// peers: renders the crafted modules with our engine (any build of xmrender)
// and with xmp and openmpt123, and prints how far each agrees with the others.
// For reviewing a change and for the table of the closing notes; the peers
// tests run the same checks.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/peers/peer_check.h"

namespace {

const char* const usageText =
    "Usage: peers [options] [NAME... | FILE.xm...]\n"
    "Renders the crafted modules whose names contain one of the NAMEs (all by default),\n"
    "or the given module files, with xmrender, xmp and openmpt123 and compares them.\n"
    "\n"
    "Options:\n"
    "  --xmrender PATH  the xmrender program to judge (default: this build's)\n"
    "  --write DIR      only write the modules into DIR as NAME.xm\n"
    "  --trace DIR      write the modules into DIR as NAME.xm and their xmtrace traces as\n"
    "                   NAME.trace, opened by the case's line and the comparison (for review;\n"
    "                   add the paragraph on what the trace pins down before committing it)\n"
    "  --windows        also print every 10 ms window of the three renders\n"
    "  --list           list the cases and what each pins down\n";

bool selected(const PeerCase& peerCase, const std::vector<std::string>& names) {
    if (names.empty()) return true;
    for (const std::string& name : names) {
        if (peerCase.name.find(name) != std::string::npos) return true;
    }
    return false;
}

void printWindows(const RenderSetup& setup, const PeerCase& peerCase) {
    const std::string path = setup.scratchDirectory + "/" + peerCase.name + ".xm";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(peerCase.bytes.data()),
               static_cast<std::streamsize>(peerCase.bytes.size()));
    RenderFeatures features[3];
    for (Renderer renderer : {Renderer::ours, Renderer::xmp, Renderer::openmpt}) {
        StereoPcm pcm;
        std::string error;
        if (!renderModule(setup, renderer, path, peerCase.seconds, pcm, error))
            std::fprintf(stderr, "%s\n", error.c_str());
        features[static_cast<int>(renderer)] = featuresOf(pcm);
    }
    std::remove(path.c_str());
    const Comparison pairs[3] = {compareRenders(features[1], features[2]), compareRenders(features[1], features[0]),
                                 compareRenders(features[2], features[0])};
    std::printf("    ms |   ours dB  cents  bal |    xmp dB  cents  bal | openmpt dB  cents  bal | x/o o/x o/o\n");
    size_t count = 0;
    for (const RenderFeatures& f : features) count = std::max(count, f.loudness.size());
    for (size_t w = 0; w < count; ++w) {
        std::printf("%6zu", w * 10);
        for (const RenderFeatures& f : features) {
            if (w < f.loudness.size()) {
                std::printf(" | %9.1f %6.0f %4.2f", f.loudness[w], f.pitch[w], f.balance[w]);
            } else {
                std::printf(" | %9s %6s %4s", "", "", "");
            }
        }
        std::printf(" |");
        for (const Comparison& pair : pairs) {
            const uint8_t bits = w < pair.differences.size() ? pair.differences[w] : 0;
            std::printf(" %c%c%c", bits & 1 ? 'L' : '.', bits & 2 ? 'P' : '.', bits & 4 ? 'B' : '.');
        }
        std::printf("\n");
    }
}

const char* verdictText(const Comparison& comparison) { return comparison.match ? "matches" : "differs from"; }

// Writes NAME.xm and NAME.trace for review; the trace's header holds the
// case's line and how the module compares with the players.
int writeTraces(const RenderSetup& setup, const std::vector<PeerCase>& cases, const std::vector<std::string>& names,
                const std::string& directory) {
    for (const PeerCase& c : cases) {
        if (!selected(c, names)) continue;
        const CaseVerdict verdict = checkCase(setup, c);
        const std::string module = directory + "/" + c.name + ".xm";
        const std::string trace = directory + "/" + c.name + ".trace";
        std::ofstream(module, std::ios::binary)
            .write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
        const std::string body = trace + ".body";
        const std::string command = std::string(TAVORLY_XMTRACE_PATH) + " --output '" + body + "' '" + module + "'";
        if (!verdict.error.empty() || std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "peers: cannot trace %s %s\n", c.name.c_str(), verdict.error.c_str());
            return 1;
        }
        std::ofstream out(trace);
        out << "# " << c.name << ": " << c.pins << ".\n#\n"
            << "# Compared with xmp and openmpt123 (tests/peers/audio_compare.h): the players "
            << (verdict.playersAgree() ? "agree" : "disagree") << "; this trace's engine "
            << verdictText(verdict.oursWithXmp) << " xmp (" << static_cast<int>(verdict.oursWithXmp.agreement * 100)
            << "% of windows) and " << verdictText(verdict.oursWithOpenmpt) << " openmpt123 ("
            << static_cast<int>(verdict.oursWithOpenmpt.agreement * 100) << "%).\n#\n";
        std::ifstream in(body);
        out << in.rdbuf();
        std::remove(body.c_str());
        std::printf("%s\n", trace.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderSetup setup{TAVORLY_XMRENDER_PATH, {}};
    std::vector<std::string> names;
    std::string writeDirectory;
    std::string traceDirectory;
    bool windows = false, list = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usageText, stdout);
            return 0;
        } else if (argument == "--xmrender" && i + 1 < argc) {
            setup.xmrender = argv[++i];
        } else if (argument == "--write" && i + 1 < argc) {
            writeDirectory = argv[++i];
        } else if (argument == "--trace" && i + 1 < argc) {
            traceDirectory = argv[++i];
        } else if (argument == "--windows") {
            windows = true;
        } else if (argument == "--list") {
            list = true;
        } else if (!argument.empty() && argument[0] == '-') {
            std::fprintf(stderr, "peers: unknown option '%s'\n%s", argument.c_str(), usageText);
            return 2;
        } else {
            names.push_back(argument);
        }
    }
    std::vector<PeerCase> cases;
    std::vector<std::string> caseNames;
    for (const std::string& name : names) {
        if (name.size() < 3 || name.compare(name.size() - 3, 3, ".xm") != 0) {
            caseNames.push_back(name);
            continue;
        }
        std::ifstream file(name, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "peers: cannot read '%s'\n", name.c_str());
            return 1;
        }
        PeerCase fromFile;
        fromFile.name = name.substr(name.find_last_of('/') + 1);
        fromFile.name.resize(fromFile.name.size() - 3);
        fromFile.bytes.assign(std::istreambuf_iterator<char>(file), {});
        cases.push_back(std::move(fromFile));
    }
    if (cases.empty()) cases = peerCases();
    names = caseNames;
    if (list) {
        for (const PeerCase& c : cases) std::printf("%-36s %s\n", c.name.c_str(), c.pins.c_str());
        return 0;
    }
    if (!writeDirectory.empty()) {
        for (const PeerCase& c : cases) {
            if (!selected(c, names)) continue;
            std::ofstream file(writeDirectory + "/" + c.name + ".xm", std::ios::binary);
            file.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
            if (!file) {
                std::fprintf(stderr, "peers: cannot write into %s\n", writeDirectory.c_str());
                return 1;
            }
        }
        return 0;
    }
    char scratch[] = "/tmp/peers.XXXXXX";
    if (!mkdtemp(scratch)) {
        std::perror("peers: scratch directory");
        return 1;
    }
    setup.scratchDirectory = scratch;
    for (Renderer renderer : {Renderer::ours, Renderer::xmp, Renderer::openmpt}) {
        if (!rendererAvailable(setup, renderer)) {
            std::fprintf(stderr, "peers: %s is not available\n", rendererName(renderer));
            return 1;
        }
    }
    if (!traceDirectory.empty()) return writeTraces(setup, cases, names, traceDirectory);
    int agreeing = 0, matched = 0, failed = 0;
    for (const PeerCase& c : cases) {
        if (!selected(c, names)) continue;
        if (windows) printWindows(setup, c);
        const CaseVerdict verdict = checkCase(setup, c);
        if (!verdict.error.empty()) {
            std::printf("%-36s render failed: %s\n", c.name.c_str(), verdict.error.c_str());
            ++failed;
            continue;
        }
        agreeing += verdict.playersAgree();
        matched += verdict.playersAgree() && verdict.matchesAPlayer();
        std::printf("%s\n  xmp/openmpt123: %s\n  ours/xmp:       %s\n  ours/openmpt123: %s\n", c.name.c_str(),
                    verdict.playersWithEachOther.summary().c_str(), verdict.oursWithXmp.summary().c_str(),
                    verdict.oursWithOpenmpt.summary().c_str());
    }
    std::printf("players agree on %d modules; ours matches one of them on %d of those\n", agreeing, matched);
    rmdir(scratch);
    return failed ? 1 : 0;
}
