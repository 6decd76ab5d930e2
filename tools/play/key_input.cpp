// Key decoding. Arrow keys come as ESC [ C / ESC [ D, or ESC O C / ESC O D in
// the terminal's application mode, with optional parameters before the final
// byte when a modifier is held (ESC [ 1 ; 5 C).
#include "tools/play/key_input.h"

namespace {

constexpr char escape = '\x1b';

bool plainKey(char byte, Key& key) {
    switch (byte) {
        case ' ': key = Key::pause; return true;
        case 'n':
        case 'N': key = Key::nextFile; return true;
        case 'p':
        case 'P': key = Key::previousFile; return true;
        case '+':
        case '=': key = Key::volumeUp; return true;
        case '-':
        case '_': key = Key::volumeDown; return true;
        case 'l':
        case 'L': key = Key::loop; return true;
        case 'q':
        case 'Q': key = Key::quit; return true;
        default: return false;
    }
}

}  // namespace

void KeyDecoder::feed(const char* bytes, size_t count, std::vector<Key>& keys) {
    for (size_t i = 0; i < count; ++i) {
        const char byte = bytes[i];
        if (state == State::escape) {
            if (byte == '[' || byte == 'O') {
                state = State::sequence;
                continue;
            }
            // A lone Escape: the byte after it is a key of its own.
            state = State::plain;
        } else if (state == State::sequence) {
            // Parameters and intermediates run until a final byte (@ to ~).
            if (byte >= '@' && byte <= '~') {
                state = State::plain;
                if (byte == 'C') keys.push_back(Key::nextOrder);
                if (byte == 'D') keys.push_back(Key::previousOrder);
                continue;
            }
            if (byte == escape) state = State::escape;
            continue;
        }
        if (byte == escape) {
            state = State::escape;
            continue;
        }
        Key key;
        if (plainKey(byte, key)) keys.push_back(key);
    }
}
