// The per-tick player.
#include "music/player.h"

void playerTick(Song*) {}
