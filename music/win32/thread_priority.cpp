// Thread priority on Windows.
#include "music/thread_priority.h"

#include <windows.h>

namespace music {

void requestTimeCriticalPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

}  // namespace music
