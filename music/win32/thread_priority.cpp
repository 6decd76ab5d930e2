// Thread priority on Windows.
#include "music/thread_priority.h"

#include <windows.h>

void requestTimeCriticalPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }
