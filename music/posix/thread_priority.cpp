// Thread priority through POSIX real-time scheduling.
#include "music/thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace music {

void requestTimeCriticalPriority() {
    sched_param parameters{};
    parameters.sched_priority = sched_get_priority_max(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameters);
}

}  // namespace music
