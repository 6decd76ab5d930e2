// Stand-in scrolltext: plain characters only, so the scroller has something to
// show before the production text is built.
#include "data/scrolltext.h"

std::string_view scrollTextBody() {
    return "TAVORLY - AN OPEN DEMO WITH ITS OWN MODULE PLAYER.          ";
}

std::string_view scrollTextTail() {
    return "SEE YOU.          ";
}
