// The tick counter on Windows: the multimedia timer, which the display sets
// to a 1 ms period while it is open (the system tick counter moves in steps
// of about 16 ms, too coarse for the scene's fades).
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include "app/tick_clock.h"

uint32_t readTickCounter(void*) { return timeGetTime(); }
