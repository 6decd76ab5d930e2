// The output thread's scheduling priority, the one thread setting the engine
// needs from the platform.
#pragma once

namespace music {

// Asks for the highest priority the platform gives a thread that must wake
// on time (SCHED_FIFO at its maximum on Linux, time-critical on Windows).
// Without the right to it the thread keeps its priority, which the two
// seconds of buffer make safe. Called by outputThread on itself, at its
// start. Per platform (music/posix/, music/win32/).
void requestTimeCriticalPriority();

}  // namespace music
