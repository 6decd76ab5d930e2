// A short script for the capture's end-to-end tests, in place of the
// production's scrolltext: at speed 16 the first cell enters in frame 8 and
// one more in every frame after it, so cell i is read in frame 8 + i.
//   cell 2, frame 10: ShowLogo 5 (the big logo fades in from frame 11; at 10
//                     frames per second it is gone again by frame 91)
//   cell 92, frame 100: StartSwarm (the swarm is drawn from frame 101)
//   cell 103, frame 111: EndDemo
#include "data/scrolltext.h"

#include <string>

namespace {

const std::string& script() {
    static const std::string letters = "CDEFGHIJKLMNOPQRSTUVWXYZ";
    static const std::string text = std::string("\x06\x10") + "AB" + "\x01\x05" + letters + letters + letters +
                                    letters.substr(0, 18) + "\x02" + "abcdefghij" + "\x03" + std::string(30, '.');
    return text;
}

}  // namespace

std::string_view scrollTextBody() { return std::string_view(script()).substr(0, 20); }
std::string_view scrollTextTail() { return std::string_view(script()).substr(20); }
